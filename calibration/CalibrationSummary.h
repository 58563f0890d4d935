#pragma once

#include "calibration/CameraFit.h"
#include "markers/ARParam.h"

#include <string>

/// What a calibration measured, as the calibration tool says it: the views
/// and the camera matrix, the reprojection error, the lens in both models,
/// how far the views turned the target, and the grade; one line each.
std::string calibrationSummary(const CameraCalibration& calibration, const ARParam& param);
