#include "ScratchFiles.h"
#include "platform/WholeFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace
{

std::string contents(const fs::path& file)
{
	std::ifstream in(file, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Every name in the folder, hidden ones too.
std::set<std::string> namesIn(const fs::path& folder)
{
	std::set<std::string> names;
	for (const auto& entry : fs::directory_iterator(folder))
	{
		names.insert(entry.path().filename().string());
	}
	return names;
}

std::error_code write(const fs::path& path, const std::string& text)
{
	return writeWholeFile(path.string(), text.data(), text.size());
}

/// In a process of its own, whose files may grow to 1000 bytes: a disk that
/// takes the first bytes of a file and then no more. Ends with 0 when that is
/// told as a full disk.
void writeBeyondTheLargestFile(const fs::path& path)
{
	std::signal(SIGXFSZ, SIG_IGN);
	const rlimit small = {1000, 1000};
	setrlimit(RLIMIT_FSIZE, &small);
	const std::error_code error = write(path, std::string(5000, 'x'));
	std::fprintf(stderr, "%s", error.message().c_str());
	std::exit(isDiskFull(error) ? 0 : 1);
}

class WholeFile : public ::testing::Test
{
protected:
	WholeFile() : folder(scratchPath("whole")) { fs::create_directories(folder); }
	~WholeFile() override { fs::remove_all(folder); }

	const fs::path folder;
};

TEST_F(WholeFile, WritesAndReplacesAFileLeavingNothingElse)
{
	EXPECT_FALSE(write(folder / "a.png", "first"));
	EXPECT_FALSE(write(folder / "a.png", "second, longer"));
	EXPECT_FALSE(write(folder / "empty", ""));
	EXPECT_EQ(contents(folder / "a.png"), "second, longer");
	EXPECT_EQ(namesIn(folder), (std::set<std::string>{"a.png", "empty"}));
}

/// Whatever goes wrong, the name keeps what it had and no temporary file stays.
TEST_F(WholeFile, AFailureLeavesTheOldFileAsItWasAndNothingBeside)
{
	ASSERT_FALSE(write(folder / "kept.png", "old"));
	fs::create_directory(folder / "folder.png");
	EXPECT_EQ(write(folder / "missing" / "a.png", "new"), std::errc::no_such_file_or_directory);
	EXPECT_EQ(write(folder / "folder.png", "new"), std::errc::is_a_directory);
	EXPECT_EQ(write(folder / "kept.png" / "a.png", "new"), std::errc::not_a_directory);
	EXPECT_EQ(namesIn(folder), (std::set<std::string>{"kept.png", "folder.png"}));
	EXPECT_TRUE(fs::is_empty(folder / "folder.png"));
	EXPECT_EQ(writeWholeImage((folder / "kept.png").string(), cv::Mat()), std::errc::invalid_argument);
	EXPECT_EQ(writeWholeImage((folder / "kept.noformat").string(), cv::Mat(4, 4, CV_8UC1)), std::errc::invalid_argument);

	// A disk that takes the first bytes and then no more.
	EXPECT_EXIT(writeBeyondTheLargestFile(folder / "kept.png"), ::testing::ExitedWithCode(0), "File too large");
	EXPECT_EQ(contents(folder / "kept.png"), "old");
	EXPECT_EQ(namesIn(folder), (std::set<std::string>{"kept.png", "folder.png"}));
}

}  // namespace
