#pragma once

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

/// A path in the temporary folder that belongs to this test process alone.
/// ctest runs every test in a process of its own, two at a time, so tests
/// that write files of the same name must not share them.
inline std::string scratchPath(const std::string& name)
{
	return ::testing::TempDir() + "drawtable_" + std::to_string(::getpid()) + "_" + name;
}
