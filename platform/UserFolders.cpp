#include "platform/UserFolders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace
{

/// An environment variable's value when it is an absolute path; the
/// conventions say to ignore a relative one.
std::string absoluteValue(const EnvironmentLookup& environment, const char* name)
{
	const char* value = environment(name);
	return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

/// The home folder: $HOME, else the password database's entry.
std::string homeFolder(const EnvironmentLookup& environment)
{
	const std::string home = absoluteValue(environment, "HOME");
	if (!home.empty())
	{
		return home;
	}
	const passwd* entry = ::getpwuid(::getuid());
	return entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/' ? entry->pw_dir : "";
}

std::string fileText(const std::string& path)
{
	std::ifstream file(path);
	std::ostringstream text;
	text << file.rdbuf();
	return text.str();
}

std::string trimmed(const std::string& text)
{
	const size_t first = text.find_first_not_of(" \t\r");
	const size_t last = text.find_last_not_of(" \t\r");
	return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

/// A path without the slashes at its end ("/" stays "/").
std::string withoutTrailingSlash(std::string path)
{
	while (path.size() > 1 && path.back() == '/')
	{
		path.pop_back();
	}
	return path;
}

/// The user directory `name` of `userDirs`; else home/`usual` when that is a
/// folder; else the home folder itself.
std::string userDirectory(const std::string& userDirs, const std::string& name, const std::string& usual,
	const std::string& home)
{
	const std::string set = userDirectoryIn(userDirs, name, home);
	if (!set.empty())
	{
		return set;
	}
	std::error_code ignored;
	const std::string folder = home + "/" + usual;
	return std::filesystem::is_directory(folder, ignored) ? folder : home;
}

}  // namespace

std::string userDirectoryIn(const std::string& userDirs, const std::string& name, const std::string& home)
{
	const std::string key = "XDG_" + name + "_DIR=";
	std::istringstream lines(userDirs);
	std::string found;
	std::string line;
	// Sourced by a shell, the file's last setting wins.
	while (std::getline(lines, line))
	{
		line = trimmed(line);
		if (line.compare(0, key.size(), key) != 0)
		{
			continue;
		}
		std::string value = line.substr(key.size());
		if (value.size() < 2 || value.front() != '"' || value.back() != '"')
		{
			continue;
		}
		value = value.substr(1, value.size() - 2);
		const std::string homePrefix = "$HOME";
		if (value.compare(0, homePrefix.size(), homePrefix) == 0
			&& (value.size() == homePrefix.size() || value[homePrefix.size()] == '/'))
		{
			found = withoutTrailingSlash(home + value.substr(homePrefix.size()));
		}
		else if (!value.empty() && value[0] == '/')
		{
			found = withoutTrailingSlash(value);
		}
	}
	return found;
}

UserFolders findUserFolders(const EnvironmentLookup& environment)
{
	UserFolders folders;
	folders.home = withoutTrailingSlash(homeFolder(environment));
	if (folders.home.empty())
	{
		return folders;
	}
	std::string dataHome = absoluteValue(environment, "XDG_DATA_HOME");
	std::string configHome = absoluteValue(environment, "XDG_CONFIG_HOME");
	dataHome = dataHome.empty() ? folders.home + "/.local/share" : withoutTrailingSlash(dataHome);
	configHome = configHome.empty() ? folders.home + "/.config" : withoutTrailingSlash(configHome);
	folders.data = dataHome + "/drawtable";
	const std::string userDirs = fileText(configHome + "/user-dirs.dirs");
	folders.pictures = userDirectory(userDirs, "PICTURES", "Pictures", folders.home);
	folders.videos = userDirectory(userDirs, "VIDEOS", "Videos", folders.home);
	return folders;
}

UserFolders findUserFolders()
{
	return findUserFolders([](const char* name) { return std::getenv(name); });
}
