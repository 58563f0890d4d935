#include "ScratchFiles.h"
#include "ToolRun.h"

#include "platform/ReplacedFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{

/// A fresh folder holding "one" (old one) and no "two".
std::string folderWithOne()
{
	const std::string folder = scratchFolder() + "replaced/";
	std::filesystem::remove_all(folder);
	std::filesystem::create_directories(folder);
	std::ofstream(folder + "one") << "old one";
	return folder;
}

TEST(ReplacedFiles, AllAreReplacedAndWhatWasThereIsKept)
{
	const std::string folder = folderWithOne();
	const ReplacementResult result = replaceKeepingBackups({{folder + "one", "new one"}, {folder + "two", "new two"}});
	EXPECT_FALSE(result.error) << result.error.message();
	EXPECT_EQ(fileText(folder + "one"), "new one");
	EXPECT_EQ(fileText(folder + "two"), "new two");
	EXPECT_EQ(fileText(backupName(folder + "one")), "old one");
	EXPECT_FALSE(std::filesystem::exists(backupName(folder + "two")));
	EXPECT_EQ(result.backedUp, std::vector<std::string>{folder + "one"});
}

TEST(ReplacedFiles, OneThatCannotBeWrittenLeavesAllAsTheyWere)
{
	// The second file's folder is missing: the first, already replaced, is
	// put back, or removed when it is new.
	std::string folder = folderWithOne();
	ReplacementResult result = replaceKeepingBackups({{folder + "one", "new one"}, {folder + "none/two", "new two"}});
	EXPECT_EQ(result.error, std::errc::no_such_file_or_directory);
	EXPECT_EQ(result.failedPath, folder + "none/two");
	EXPECT_TRUE(result.restored);
	EXPECT_EQ(fileText(folder + "one"), "old one");

	folder = folderWithOne();
	result = replaceKeepingBackups({{folder + "three", "new three"}, {folder + "none/two", "new two"}});
	EXPECT_TRUE(result.error);
	EXPECT_FALSE(std::filesystem::exists(folder + "three"));

	// A file that is there but cannot be read is touched no more than the rest.
	folder = folderWithOne();
	std::filesystem::create_directory(folder + "two");
	result = replaceKeepingBackups({{folder + "one", "new one"}, {folder + "two", "new two"}});
	EXPECT_EQ(result.error, std::errc::is_a_directory);
	EXPECT_EQ(result.failedPath, folder + "two");
	EXPECT_EQ(fileText(folder + "one"), "old one");
	EXPECT_FALSE(std::filesystem::exists(backupName(folder + "one")));
}

}  // namespace
