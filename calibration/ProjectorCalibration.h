#pragma once

/// Measuring a projector against the camera, in four parts: the pattern it
/// shows (ProjectorPattern.h), what the camera's frames show of its light
/// (LitFrames.h), the camera-to-projector map fitted to the pattern's corners,
/// its figures and the rule they are accepted by (ProjectorFit.h), and the
/// file they are kept in (ProjectorCalibrationFile.h). The run that takes the
/// frames pass by pass is ProjectorCalibrationRun.h.

#include "calibration/LitFrames.h"
#include "calibration/ProjectorCalibrationFile.h"
#include "calibration/ProjectorFit.h"
#include "calibration/ProjectorPattern.h"
