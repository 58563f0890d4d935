#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

/// A folder in the temporary folder that belongs to this test process alone,
/// ending in '/'. ctest runs every test in a process of its own, two at a
/// time, so tests that write files of the same name must not share them.
inline std::string scratchFolder()
{
	const std::string folder = ::testing::TempDir() + "drawtable_" + std::to_string(::getpid()) + "/";
	std::filesystem::create_directories(folder);
	return folder;
}

/// A file called `name` in this process's scratch folder.
inline std::string scratchPath(const std::string& name)
{
	return scratchFolder() + name;
}
