#include "calibration/CameraFileOutput.h"

#include "platform/WholeFile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

/// Whether a new file can be made in `folder`: one is made and removed, which
/// answers for permissions, read-only disks and root alike.
std::error_code tryNewFile(const fs::path& folder)
{
	const fs::path probe = folder / (".calibrate-probe." + std::to_string(::getpid()));
	const int descriptor = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
	if (descriptor < 0)
	{
		return std::error_code(errno, std::generic_category());
	}
	::close(descriptor);
	::unlink(probe.c_str());
	return std::error_code();
}

/// "2025-01-30-141502", local time.
std::string stamp(std::time_t when)
{
	std::tm local = {};
	::localtime_r(&when, &local);
	char text[32];
	std::strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", &local);
	return text;
}

}  // namespace

std::string whyCannotWrite(const std::string& path)
{
	if (path.empty())
	{
		return "the output file has no name";
	}
	std::error_code ignored;
	if (fs::is_directory(path, ignored))
	{
		return path + ": is a folder; name the file to write";
	}
	const fs::path folder = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : fs::path(".");
	if (!fs::exists(folder, ignored))
	{
		return path + ": cannot be written: the folder " + folder.string() + " does not exist";
	}
	if (!fs::is_directory(folder, ignored))
	{
		return path + ": cannot be written: " + folder.string() + " is not a folder";
	}
	const std::error_code failure = tryNewFile(folder);
	if (failure)
	{
		return path + ": cannot be written: the folder " + folder.string() + " takes no new file: " + failure.message();
	}
	return std::string();
}

std::error_code keepPreviousFile(const std::string& path, std::string& keptAs)
{
	keptAs.clear();
	struct stat status = {};
	if (::stat(path.c_str(), &status) != 0)
	{
		return errno == ENOENT ? std::error_code() : std::error_code(errno, std::generic_category());
	}
	std::ifstream file(path, std::ios::binary);
	if (!file)
	{
		return std::error_code(errno ? errno : EIO, std::generic_category());
	}
	const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
	if (file.bad())
	{
		return std::make_error_code(std::errc::io_error);
	}
	const std::string dated = path + "." + stamp(status.st_mtime);
	std::string name = dated;
	std::error_code ignored;
	for (int another = 2; fs::exists(name, ignored); ++another)
	{
		name = dated + "-" + std::to_string(another);
	}
	const std::error_code failure = writeWholeFile(name, bytes);
	if (!failure)
	{
		keptAs = name;
	}
	return failure;
}
