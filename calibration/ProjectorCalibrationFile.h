#pragma once

#include "calibration/ProjectorFit.h"

#include <string>

/// Which camera parameters a calibration holds for: the bytes of their file,
/// summed (64-bit FNV-1a) and counted. Empty when the file cannot be read.
std::string cameraParametersRecord(const std::string& path);

/// Write or read a calibration as an OpenCV FileStorage file. False with a
/// one-line `error` naming the file when it cannot be written, read or used:
/// a file is refused whose figures no calibration that was accepted has (an
/// error above the limit, too few corners, a map that turns the board over
/// when the file does not say so, or that says nothing of the camera).
bool saveProjectorCalibration(const std::string& path, const ProjectorCalibration& calibration, std::string& error);
bool loadProjectorCalibration(const std::string& path, ProjectorCalibration& calibration, std::string& error);
