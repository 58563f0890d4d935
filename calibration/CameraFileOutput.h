#pragma once

#include <string>
#include <system_error>

/// Why no file can be written as `path`, in one line that names it, or empty
/// when one can: its folder must exist and take a new file, and `path` must
/// not be a folder. A calibration checks this before it starts, so that its
/// work is not lost at the end.
std::string whyCannotWrite(const std::string& path);

/// Keep the file at `path`, when there is one, before it is replaced: its
/// bytes are written whole beside it under its name and the time it was last
/// written, `camera_para.dat.2025-01-30-141502` (`-2`, `-3` added when that
/// name is taken), and the name goes to `keptAs`. No file there leaves
/// `keptAs` empty. After an error nothing is kept and `path` must not be
/// replaced.
std::error_code keepPreviousFile(const std::string& path, std::string& keptAs);
