#include "platform/ReplacedFiles.h"

#include "platform/WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace
{

/// A file's contents; none when there is no such file. An error when it is
/// there but cannot be read.
std::optional<std::string> contentsOf(const std::string& path, std::error_code& error)
{
	const std::filesystem::file_status status = std::filesystem::status(path, error);
	if (status.type() == std::filesystem::file_type::not_found)
	{
		error.clear();
		return std::nullopt;
	}
	if (!error && status.type() == std::filesystem::file_type::directory)
	{
		error = std::make_error_code(std::errc::is_a_directory);
	}
	std::ifstream file(path, std::ios::binary);
	if (!error && !file)
	{
		error = std::error_code(errno, std::generic_category());
	}
	if (error)
	{
		return std::nullopt;
	}
	std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
	if (file.bad())
	{
		error = std::make_error_code(std::errc::io_error);
	}
	return bytes;
}

std::error_code writeBytes(const std::string& path, const std::string& bytes)
{
	return writeWholeFile(path, bytes.data(), bytes.size());
}

}  // namespace

std::string backupName(const std::string& path)
{
	return path + ".bak";
}

ReplacementResult replaceKeepingBackups(const std::vector<Replacement>& files)
{
	ReplacementResult result;
	std::vector<std::optional<std::string>> before;
	for (const Replacement& file : files)
	{
		before.push_back(contentsOf(file.path, result.error));
		if (result.error)
		{
			result.failedPath = file.path;
			return result;
		}
	}
	for (size_t i = 0; i < files.size(); ++i)
	{
		if (!before[i])
		{
			continue;
		}
		result.error = writeBytes(backupName(files[i].path), *before[i]);
		if (result.error)
		{
			result.failedPath = backupName(files[i].path);
			return result;
		}
		result.backedUp.push_back(files[i].path);
	}
	for (size_t i = 0; i < files.size(); ++i)
	{
		result.error = writeBytes(files[i].path, files[i].bytes);
		if (!result.error)
		{
			continue;
		}
		result.failedPath = files[i].path;
		for (size_t done = 0; done < i; ++done)
		{
			const bool putBack = before[done] ? !writeBytes(files[done].path, *before[done])
											  : std::remove(files[done].path.c_str()) == 0;
			result.restored = result.restored && putBack;
		}
		return result;
	}
	return result;
}
