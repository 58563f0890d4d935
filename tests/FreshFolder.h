#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

/// Runs each test in a fresh working directory, where the program writes its
/// screenshots, frames and videos; goes back and removes it afterwards.
class InFreshFolder : public ::testing::Test
{
protected:
	InFreshFolder() : previous(std::filesystem::current_path())
	{
		std::string pattern = (std::filesystem::temp_directory_path() / "drawtable-test-XXXXXX").string();
		folder = mkdtemp(pattern.data());
		std::filesystem::current_path(folder);
	}

	~InFreshFolder() override
	{
		std::filesystem::current_path(previous);
		std::error_code ignored;
		std::filesystem::remove_all(folder, ignored);
	}

	/// The names of the entries of a folder.
	static std::set<std::string> filesIn(const std::filesystem::path& where)
	{
		std::set<std::string> names;
		for (const auto& entry : std::filesystem::directory_iterator(where))
		{
			names.insert(entry.path().filename().string());
		}
		return names;
	}

	const std::filesystem::path previous;
	std::filesystem::path folder;
};
