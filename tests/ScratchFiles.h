#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

/// A folder in the temporary folder that belongs to this test process alone,
/// removed with everything in it when the process ends. ctest runs every test
/// in a process of its own, two at a time, so tests that write files of the
/// same name must not share them.
class ScratchFolder
{
public:
	ScratchFolder() : owner(::getpid()), path(::testing::TempDir() + "drawtable_" + std::to_string(owner) + "/")
	{
		std::filesystem::create_directories(path);
	}

	~ScratchFolder()
	{
		// A death test's forked child ends through here too; the folder is its parent's.
		if (::getpid() == owner)
		{
			std::error_code ignored;
			std::filesystem::remove_all(path, ignored);
		}
	}

	const pid_t owner;
	/// Ends in '/'.
	const std::string path;
};

inline const std::string& scratchFolder()
{
	static const ScratchFolder folder;
	return folder.path;
}

/// A file called `name` in this process's scratch folder.
inline std::string scratchPath(const std::string& name)
{
	return scratchFolder() + name;
}
