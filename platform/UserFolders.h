#pragma once

#include <functional>
#include <string>

/// The folders a desktop keeps a user's files in, as the freedesktop.org
/// conventions name them: the program's own folder in the user's data home
/// (the base directories) and the pictures and videos folders (the user
/// directories of user-dirs.dirs). Each is an absolute path, or empty when
/// no home folder is known. Nothing is made.
struct UserFolders
{
	std::string home;
	/// $XDG_DATA_HOME/drawtable, else ~/.local/share/drawtable.
	std::string data;
	/// XDG_PICTURES_DIR of user-dirs.dirs, else ~/Pictures when it is a
	/// folder, else the home folder.
	std::string pictures;
	/// XDG_VIDEOS_DIR, else ~/Videos, else the home folder.
	std::string videos;
};

/// Reads one environment variable; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

/// The folders of the user running the program, from the environment (HOME,
/// XDG_DATA_HOME, XDG_CONFIG_HOME) and $XDG_CONFIG_HOME/user-dirs.dirs.
UserFolders findUserFolders(const EnvironmentLookup& environment);

/// findUserFolders of this process's environment.
UserFolders findUserFolders();

/// One user directory (`name` is "PICTURES", "VIDEOS", ...) as the text of a
/// user-dirs.dirs file sets it: `XDG_PICTURES_DIR="$HOME/Pictures"`, the
/// value either below $HOME or absolute. Empty when the text does not set it,
/// or sets it to something else (that file's other forms are not allowed).
std::string userDirectoryIn(const std::string& userDirs, const std::string& name, const std::string& home);
