#pragma once

#include <string>
#include <system_error>
#include <vector>

/// A file to be replaced: its name and its new contents.
struct Replacement
{
	std::string path;
	std::string bytes;
};

/// What replaceKeepingBackups did.
struct ReplacementResult
{
	/// No error when every file was replaced; else why `failedPath` was not
	/// (or its backup, when that is the name).
	std::error_code error;
	std::string failedPath;
	/// The files that were there before, now kept under their backup names.
	std::vector<std::string> backedUp;
	/// False only when, after a failure, a file already replaced could not
	/// be put back as it was.
	bool restored = true;
};

/// The name a replaced file is kept under: its name with ".bak" added.
std::string backupName(const std::string& path);

/// Replace files that belong together (the two circle templates) all or
/// none: first each file that is there is copied to its backup name, then
/// each is written whole (writeWholeFile). When one cannot be, those written
/// before it are put back as they were (or removed, when new), so that the
/// files are either all new or all as before.
ReplacementResult replaceKeepingBackups(const std::vector<Replacement>& files);
