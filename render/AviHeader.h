#pragma once

#include <string>

/// The frame count an AVI file's header gives, as players that trust the
/// header read it: the OpenDML total when the file has one, else the main
/// header's. A video that was never finished says 0. Returns -1, with a
/// one-line `error` naming the file, when it is not an AVI file.
long aviHeaderFrameCount(const std::string& path, std::string& error);
