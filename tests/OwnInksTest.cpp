#include "AnalysisTestSupport.h"
#include "LitBoard.h"
#include "ScratchFiles.h"

#include "analysis/BoardColours.h"
#include "analysis/InkLearning.h"
#include "analysis/OwnInks.h"
#include "app/Application.h"
#include "platform/StillFrameSource.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>

// The user's own black and yellow: learned from a sample drawn on the board,
// kept in the data directory, and read by the program and the template tool.

namespace
{

using namespace litboard;

/// A brown pen for black and a green highlighter for yellow: pens the
/// built-in classes take for no ink at all (brown for red, which draws nothing).
const Pen brownPen{{40, 70, 120}, 4.0};
const Pen greenHighlighter = highlighter(110, 0.6, 0.95);

Light warmRoom()
{
	Light warm;
	warm.white = cv::Vec3d(140, 190, 235);
	return warm;
}

/// The board's colours as the rescan reads them.
cv::Mat readColours(const cv::Mat& picture)
{
	RectifiedBoard board;
	board.colour = picture;
	return normaliseBoardColours(board);
}

/// The sample: a ring and a stroke of each pen, beside a printed black
/// square as the board's markers are.
cv::Mat sample(const Light& light)
{
	Drawing drawing;
	drawing.ring({200, 200}, ringRadius, brownPen);
	drawing.ring({420, 260}, ringRadius, greenHighlighter);
	drawing.stroke({100, 400}, {300, 420}, brownPen);
	drawing.stroke({350, 100}, {520, 130}, greenHighlighter);
	drawing.cover({{0, 0}, {90, 0}, {90, 90}, {0, 90}}, cv::Scalar(20, 20, 20));
	return photograph(drawing, light);
}

struct Made
{
	size_t balls = 0;
	size_t sensors = 0;
	int walls = 0;
};

/// What the rescan's steps make of a board's colours with `own` inks.
Made make(const cv::Mat& colours, const OwnInks& own)
{
	AnalysisRig rig;
	rig.ink.colours = colours;
	rig.ink.own = own;
	Made made;
	made.walls = rig.analysis.analyse(rig.board, rig.ink, rig.display).walls;
	made.balls = rig.analysis.ballRecords().size();
	made.sensors = rig.analysis.sensorCircleRecords().size();
	return made;
}

TEST(OwnInks, LearnedFromASampleTheyDrawWhatTheBuiltInClassesMiss)
{
	for (const auto& [name, light] : {std::make_pair("even light", Light()), std::make_pair("a warm room", warmRoom())})
	{
		SCOPED_TRACE(name);
		OwnInks inks;
		std::string error;
		ASSERT_TRUE(learnOwnInks(readColours(sample(light)), inks, error)) << error;
		EXPECT_TRUE(inks.hasBlack && inks.hasYellow);

		// Another drawing in the same pens, under the same light.
		Drawing play;
		play.ring({300, 160}, ringRadius, brownPen);
		play.ring({150, 330}, ringRadius, greenHighlighter);
		play.stroke({380, 300}, {520, 420}, brownPen);
		const cv::Mat colours = readColours(photograph(play, light));
		if (light.white == Light().white)
		{
			// In a warm room the mapping greys the dark brown and black takes it.
			EXPECT_EQ(make(colours, OwnInks()).balls, 0u) << "the built-in classes alone";
		}
		const Made with = make(colours, inks);
		EXPECT_EQ(with.balls, 1u);
		EXPECT_EQ(with.sensors, 1u);
		EXPECT_EQ(with.walls, 1) << "the stroke's; the ring is a ball";

		// Nothing from the paper.
		const Made empty = make(readColours(photograph(Drawing(), light)), inks);
		EXPECT_EQ(empty.balls + empty.sensors + size_t(empty.walls), 0u);
	}
}

/// A pale highlighter differs from the paper in its colour far more than in
/// its brightness: it is learned as the yellow all the same, and a ring
/// drawn with it becomes a sensor.
TEST(OwnInks, APaleHighlighterIsLearnedAsTheYellow)
{
	const Pen paleHighlighter = highlighter(60, 0.3, 1.0);
	Drawing drawing;
	drawing.ring({200, 200}, ringRadius, marker);
	drawing.ring({420, 260}, ringRadius, paleHighlighter);
	drawing.stroke({100, 400}, {300, 420}, marker);
	drawing.stroke({350, 100}, {520, 130}, paleHighlighter);
	OwnInks inks;
	std::string error;
	ASSERT_TRUE(learnOwnInks(readColours(photograph(drawing, Light())), inks, error)) << error;

	Drawing play;
	play.ring({150, 330}, ringRadius, paleHighlighter);
	play.ring({300, 160}, ringRadius, marker);
	const Made made = make(readColours(photograph(play, Light())), inks);
	EXPECT_EQ(made.sensors, 1u);
	EXPECT_EQ(made.balls, 1u);
}

TEST(OwnInks, ASampleWithoutBothInksIsRefusedAndSaysWhy)
{
	OwnInks inks;
	std::string error;
	EXPECT_FALSE(learnOwnInks(readColours(photograph(Drawing(), Light())), inks, error));
	EXPECT_NE(error.find("no sample found"), std::string::npos) << error;

	Drawing blackOnly;
	blackOnly.ring({200, 200}, ringRadius, marker);
	blackOnly.stroke({100, 400}, {300, 420}, marker);
	EXPECT_FALSE(learnOwnInks(readColours(photograph(blackOnly, Light())), inks, error));
	EXPECT_NE(error.find("one ink only"), std::string::npos) << error;
	EXPECT_FALSE(inks.hasBlack || inks.hasYellow);

	// A grey "yellow" cannot be told from paper.
	Drawing grey;
	grey.ring({200, 200}, ringRadius, marker);
	grey.ring({420, 260}, ringRadius, Pen{{170, 170, 170}, 4.0});
	grey.stroke({350, 100}, {520, 130}, Pen{{170, 170, 170}, 4.0});
	EXPECT_FALSE(learnOwnInks(readColours(photograph(grey, Light())), inks, error));
	EXPECT_NE(error.find("too near grey"), std::string::npos) << error;
}

std::string writeFile(const std::string& name, const std::string& text)
{
	const std::string path = scratchFolder() + name;
	std::ofstream(path) << text;
	return path;
}

TEST(OwnInks, TheFileIsReadAsWrittenAndABadOneNamesItsLine)
{
	OwnInks inks;
	inks.hasBlack = inks.hasYellow = true;
	inks.black = {{0, 110, 140}, {130, 126, 178}};
	inks.yellow = {{140, 70, 70}, {255, 108, 104}};
	OwnInks read;
	std::string error;
	ASSERT_TRUE(readOwnInks(writeFile("drawtable_inks.txt", ownInksText(inks)), read, error)) << error;
	EXPECT_EQ(ownInksText(read), ownInksText(inks));
	EXPECT_TRUE(read.hasBlack && read.hasYellow);
	// One beyond the margin from grey, on either side, is a yellow.
	for (const char* text : {"yellow 140 120 70 255 140 121\n", "yellow 140 135 120 255 160 140\n"})
	{
		EXPECT_TRUE(readOwnInks(writeFile("drawtable_inks.txt", text), read, error)) << text << error;
		EXPECT_TRUE(read.hasYellow) << text;
	}

	EXPECT_TRUE(readOwnInks(scratchFolder() + "no_such_inks.txt", read, error));
	EXPECT_FALSE(read.hasBlack || read.hasYellow) << "no file: the built-in classes alone";

	const std::pair<const char*, const char*> bad[] = {
		{"# comment\nblue 0 0 0 1 1 1\n", ":2: \"blue\" is no ink"},
		{"black 0 110 140 130 126 178\nblack 0 110 140 130 126 178\n", ":2: black is named twice"},
		{"yellow 140 70 70 255 108\n", ":1: yellow needs six levels"},
		{"yellow 140 70 70 255 108 104 9\n", ":1: yellow needs six levels"},
		{"black 0 110 140 130 126 300\n", ":1: black needs six levels"},
		{"black 0 110 140 230 126 178\n", ":1: black: black brighter than 180"},
		{"yellow 140 120 120 255 140 140\n", ":1: yellow: yellow within 6 of grey"},
		// A class reaching exactly 6 from grey in its colour takes grey paper.
		{"yellow 140 120 70 255 140 122\n", ":1: yellow: yellow within 6 of grey"},
		{"yellow 140 134 120 255 160 140\n", ":1: yellow: yellow within 6 of grey"},
		{"yellow 140 80 70 255 70 104\n", ":1: yellow: a lowest level above its highest"}};
	for (const auto& [text, message] : bad)
	{
		SCOPED_TRACE(text);
		const std::string path = writeFile("drawtable_bad_inks.txt", text);
		EXPECT_FALSE(readOwnInks(path, read, error));
		EXPECT_EQ(error.rfind(path, 0), 0u) << error;
		EXPECT_NE(error.find(message), std::string::npos) << error;
		EXPECT_FALSE(read.hasBlack || read.hasYellow);
	}
}

/// Run the template tool; its exit status, with what it printed in `output`.
int runTool(const std::string& arguments, std::string& output)
{
	const std::string outputFile = scratchFolder() + "make_templates.out";
	const int status = std::system((std::string(MAKE_TEMPLATES_PATH) + " " + arguments + " >" + outputFile + " 2>&1").c_str());
	std::stringstream text;
	text << std::ifstream(outputFile).rdbuf();
	output = text.str();
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(OwnInks, TheTemplateToolLearnsThemAndItsTemplatesAndTheProgramUseThem)
{
	const std::string directory = scratchFolder() + "own_inks/";
	std::filesystem::create_directories(directory);
	const std::string board = directory + "sample.png";
	ASSERT_TRUE(cv::imwrite(board, sample(Light())));
	std::string output;
	// Without the learned inks the pens draw no circle.
	EXPECT_EQ(runTool("--data " + directory + " " + board + " " + directory, output), 1) << output;
	EXPECT_NE(output.find("no closed black circle"), std::string::npos) << output;

	ASSERT_EQ(runTool("--inks " + board + " " + directory, output), 0) << output;
	EXPECT_NE(output.find("inks.txt: black takes Y 0 to"), std::string::npos) << output;
	OwnInks inks;
	std::string error;
	ASSERT_TRUE(readOwnInks(directory + "inks.txt", inks, error)) << error;
	EXPECT_TRUE(inks.hasBlack && inks.hasYellow);

	// The templates of a data directory with the inks come from those pens.
	ASSERT_EQ(runTool("--data " + directory + " " + board + " " + directory, output), 0) << output;
	AnalysisRig rig;
	rig.analysis.loadTemplates(directory + "circleExample.txt", directory + "circleExampleYellow.txt");
	EXPECT_NEAR(descriptorCentroid(rig.analysis.blackCircleTemplate()).x, 200, 3.0);
	EXPECT_NEAR(descriptorCentroid(rig.analysis.yellowCircleTemplate()).x, 420, 3.0);

	// The program reads them from its data directory at start-up; a bad file
	// is said in one line, and the built-in classes serve.
	const auto program = [&] {
		return std::make_unique<Application>(std::make_unique<StillFrameSource>(cv::Mat(480, 640, CV_8UC3)),
			std::make_unique<HeadlessDisplay>(), DataFiles(directory));
	};
	EXPECT_TRUE(program()->ink().own.hasYellow);
	std::ofstream(directory + "inks.txt") << "yellow 1 2 3\n";
	::testing::internal::CaptureStderr();
	EXPECT_FALSE(program()->ink().own.hasYellow);
	EXPECT_NE(::testing::internal::GetCapturedStderr().find(
				  directory + "inks.txt:1: yellow needs six levels from 0 to 255: the lowest Y, Cr, Cb, then the "
							  "highest; the built-in inks are used"),
		std::string::npos);
}

}  // namespace
