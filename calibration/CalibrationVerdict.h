#pragma once

#include "calibration/CameraFit.h"
#include "markers/ARParam.h"

#include <string>
#include <vector>

/// How good a calibration is, by its reprojection error: good up to half a
/// pixel, usable up to one, to be taken again above.
enum class CalibrationGrade
{
	good,
	usable,
	retake,
};

CalibrationGrade gradeCalibration(double rmsError);

/// "good", "usable" or "retake".
const char* gradeName(CalibrationGrade grade);

/// The grade as the tool says it, with the limits: "grade: good (reprojection
/// error 0.42 pixels; good up to 0.5, usable up to 1, retake above)".
std::string gradeLine(double rmsError);

/// How differently the views held the target, in degrees: the range of its
/// turns to the left and right (about the picture's vertical axis) and of its
/// tilts towards and away (about the horizontal axis). Each fixes the focal
/// length along its own axis; views that all face the camera alike fix neither.
/// The normals may point either way.
struct TiltSpread
{
	double leftRight = 0.0;
	double towardsAway = 0.0;
};

TiltSpread tiltSpread(const std::vector<cv::Vec3d>& targetNormals);

/// Why `calibration` (written as `param`) cannot be right: one line each,
/// naming the figure at fault and what to do about it. Empty when nothing
/// is wrong.
std::vector<std::string> calibrationFaults(const CameraCalibration& calibration, const ARParam& param);
