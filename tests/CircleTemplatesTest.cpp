// Circle templates that never leave the table without circles: a template
// file that cannot serve is said in one line and the shipped one is played
// with, as the program's start-up and a whole run show it.

#include "ScratchFiles.h"
#include "ToolRun.h"

#include "analysis/TemplateFile.h"
#include "app/CircleTemplates.h"
#include "app/DataFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace
{

namespace fs = std::filesystem;

/// A contour unlike the shipped circles.
const Contour square{{10, 10}, {20, 10}, {20, 20}, {10, 20}};

std::string writtenAs(const std::string& path, const std::string& text)
{
	std::ofstream(path) << text;
	return path;
}

TEST(CircleTemplates, AFileThatCannotServeIsOneLineAndTheShippedOneIsUsed)
{
	// The tests run beside copies of the shipped templates, which the
	// program also has built in.
	const Contour shippedBlack = loadTemplatePoints("circleExample.txt");
	const Contour shippedYellow = loadTemplatePoints("circleExampleYellow.txt");
	ASSERT_GT(shippedBlack.size(), 20u);
	const std::string folder = scratchPath("templates") + "/";
	fs::create_directories(folder);
	const std::string own = folder + "own.txt";
	const std::string goodShipped = folder + "shipped.txt";
	fs::copy_file("circleExample.txt", goodShipped, fs::copy_options::overwrite_existing);
	const std::string badShipped = writtenAs(folder + "shipped_bad.txt", "");

	struct Case
	{
		const char* what;
		/// The first file's text; null: there is none.
		const char* text;
		/// The shipped file, or none (a data folder's own templates).
		std::string shipped;
		/// What is played with, and the start of each line said.
		Contour expected;
		std::vector<std::string> lines;
	};
	const std::string usedShipped = "; the shipped one is used, " + goodShipped;
	const std::string usedBuiltIn = "; the one built into the program is used";
	const Case cases[] = {
		{"a good file", "4 10 10 20 10 20 20 10 20", goodShipped, square, {}},
		{"missing", nullptr, goodShipped, shippedBlack, {own + ": cannot open the circle template" + usedShipped}},
		{"empty", "", goodShipped, shippedBlack, {own + ":1: no point count at the start" + usedShipped}},
		{"no points", "0\n", goodShipped, shippedBlack, {own + ": holds no points" + usedShipped}},
		{"cut short", "5\n1 2\n3 4\n", goodShipped, shippedBlack,
			{own + ":4: point 3 of 5 is missing or not two integers" + usedShipped}},
		{"missing, none shipped", nullptr, "", shippedBlack, {own + ": cannot open the circle template" + usedBuiltIn}},
		{"the shipped one broken too", "0", badShipped, shippedBlack,
			{own + ": holds no points; the shipped one is tried", badShipped + ":1: no point count at the start" + usedBuiltIn}},
	};
	for (const Case& test : cases)
	{
		SCOPED_TRACE(test.what);
		fs::remove(own);
		if (test.text != nullptr)
		{
			writtenAs(own, test.text);
		}
		DataFiles files;
		files.blackTemplate = own;
		files.shippedBlackTemplate = test.shipped;
		files.yellowTemplate = "circleExampleYellow.txt";
		::testing::internal::CaptureStderr();
		const CircleTemplates templates = loadCircleTemplates(files);
		const std::string said = ::testing::internal::GetCapturedStderr();
		EXPECT_EQ(templates.black, test.expected);
		EXPECT_EQ(templates.yellow, shippedYellow);
		std::string expected;
		for (const std::string& line : test.lines)
		{
			expected += line + "\n";
		}
		EXPECT_EQ(said, expected);
	}
}

TEST(CircleTemplates, APlayWithoutItsYellowTemplateStillHasSensors)
{
	// A working folder with Data/ and the black template only: the demo's
	// first drawing has two yellow rings.
	const std::string folder = scratchPath("no_yellow") + "/";
	fs::remove_all(folder);
	fs::create_directories(folder);
	fs::copy("Data", folder + "Data", fs::copy_options::recursive);
	fs::copy_file("circleExample.txt", folder + "circleExample.txt");
	const ToolRun run = runTool("cd " + folder + " && " + DRAWTABLE_PATH
		+ " --headless --source demo --passes 60 --record none --trace t.jsonl");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_NE(run.err.find("circleExampleYellow.txt: cannot open the circle template; the one built into the "
						   "program is used\n"),
		std::string::npos)
		<< run.err;
	const std::string trace = fileText(folder + "t.jsonl");
	size_t sensors = 0;
	for (size_t at = trace.find("\"type\": \"sensor\""); at != std::string::npos; at = trace.find("\"type\": \"sensor\"", at + 1))
	{
		++sensors;
	}
	EXPECT_EQ(sensors, 2u);
}

}  // namespace
