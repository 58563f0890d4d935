#include "calibration/CalibrationSummary.h"

#include "calibration/CalibrationVerdict.h"
#include "calibration/LensModelFit.h"

#include <cstdio>

std::string calibrationSummary(const CameraCalibration& calibration, const ARParam& param)
{
	const cv::Matx33d& K = calibration.cameraMatrix;
	const TiltSpread spread = tiltSpread(calibration.targetNormals);
	char text[640];
	std::snprintf(text, sizeof text,
		"%d views of %d x %d: fx %.2f fy %.2f cx %.2f cy %.2f\n"
		"reprojection error %.3f pixels (root mean square)\n"
		"lens: k1 %.4f; as the tracker's model f = %.3f, within %.2f pixels of it\n"
		"the views turn the board by %.0f degrees left to right and %.0f towards and away\n",
		calibration.views, calibration.imageSize.width, calibration.imageSize.height, K(0, 0), K(1, 1), K(0, 2),
		K(1, 2), calibration.rmsError, calibration.distortion.empty() ? 0.0 : calibration.distortion[0],
		param.dist_factor[2], lensModelMismatch(calibration.cameraMatrix, calibration.distortion, param),
		spread.leftRight, spread.towardsAway);
	return text + gradeLine(calibration.rmsError) + "\n";
}
