#pragma once

#include <ctime>
#include <string>

/// `when` in local time as it goes into file names: "2025-01-30-141502",
/// which sorts as time goes.
std::string timeStamp(std::time_t when);

/// `stem` + `extension` when nothing of that name is there; else the first of
/// `stem-2`, `stem-3`, ... + `extension` that is free, so that nothing is
/// written over. Whatever holds the name (a file, a folder, a dangling link)
/// takes it.
std::string unusedName(const std::string& stem, const std::string& extension = "");
