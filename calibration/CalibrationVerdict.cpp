#include "calibration/CalibrationVerdict.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace
{

/// Reprojection errors, pixels: a flat, sharp target's corners lie within
/// half a pixel of where the fitted camera puts them; beyond a pixel the fit
/// measures the photographs' faults rather than the camera.
constexpr double goodError = 0.5;
constexpr double usableError = 1.0;

/// A webcam's lens sees from about 30 degrees across (a narrow one, made for
/// a face at a desk) to about 120 (the widest short of a fisheye, whose
/// picture the tracker's lens model cannot follow). The focal length in
/// pixels is half the picture's width over the tangent of half that angle;
/// pixels are square enough that fy keeps to the same range.
constexpr double narrowestDegrees = 30.0;
constexpr double widestDegrees = 120.0;

/// How far the fitted lens may push the picture's corners outwards, as a
/// share of their distance from its centre. A webcam's lens pulls them in
/// (barrel distortion, by a tenth or more of that distance); a lens that
/// bends nothing is fitted a little either way, most at the corners, which
/// the board seldom reaches.
constexpr double mostPincushion = 0.02;

/// The least range of the target's turns each way across the views, degrees.
/// Views that all face the camera alike show the same picture at any focal
/// length from further away, and the fit may then place it anywhere.
constexpr double leastTiltSpread = 15.0;

constexpr double degreesPerRadian = 180.0 / CV_PI;

std::string line(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string line(const char* format, ...)
{
	char text[512];
	va_list arguments;
	va_start(arguments, format);
	std::vsnprintf(text, sizeof text, format, arguments);
	va_end(arguments);
	return text;
}

/// The focal length of a lens that sees `degrees` across a picture `width` pixels wide.
double focalForView(int width, double degrees)
{
	return width / 2.0 / std::tan(degrees / 2.0 / degreesPerRadian);
}

void checkError(const CameraCalibration& calibration, std::vector<std::string>& faults)
{
	if (calibration.rmsError > usableError)
	{
		faults.push_back(line("reprojection error %.3f pixels is above %g: retake the photos with the board glued "
							  "flat, sharp and evenly lit, the camera still",
			calibration.rmsError, usableError));
	}
}

void checkCentre(const CameraCalibration& calibration, std::vector<std::string>& faults)
{
	const cv::Size size = calibration.imageSize;
	const double cx = calibration.cameraMatrix(0, 2);
	const double cy = calibration.cameraMatrix(1, 2);
	const cv::Rect2d middleHalf(size.width / 4.0, size.height / 4.0, size.width / 2.0, size.height / 2.0);
	// Written out rather than Rect::contains, whose right and bottom edges are open.
	const bool inside = cx >= middleHalf.x && cx <= middleHalf.x + middleHalf.width && cy >= middleHalf.y &&
		cy <= middleHalf.y + middleHalf.height;
	if (!inside)
	{
		faults.push_back(line("the optical centre %.1f, %.1f lies outside the middle half of the %d x %d picture "
							  "(%.0f to %.0f across, %.0f to %.0f down): use photos as the camera took them, "
							  "uncropped, and tilt the board every way",
			cx, cy, size.width, size.height, middleHalf.x, middleHalf.x + middleHalf.width, middleHalf.y,
			middleHalf.y + middleHalf.height));
	}
}

void checkFocalLength(const CameraCalibration& calibration, std::vector<std::string>& faults)
{
	const int width = calibration.imageSize.width;
	const double shortest = focalForView(width, widestDegrees);
	const double longest = focalForView(width, narrowestDegrees);
	const double fx = calibration.cameraMatrix(0, 0);
	const double fy = calibration.cameraMatrix(1, 1);
	if (std::min(fx, fy) < shortest || std::max(fx, fy) > longest)
	{
		faults.push_back(line("the focal length, fx %.0f fy %.0f pixels, is beyond any webcam's lens for a picture "
							  "%d pixels wide (%.0f to %.0f, seeing %.0f to %.0f degrees across): use photos as the "
							  "camera took them, unscaled, and tilt the board more between views",
			fx, fy, width, shortest, longest, widestDegrees, narrowestDegrees));
	}
}

void checkLens(const ARParam& param, std::vector<std::string>& faults)
{
	// The picture's corner furthest from the lens's centre shows its bending best.
	const cv::Point2d centre(param.dist_factor[0], param.dist_factor[1]);
	const cv::Point2d far(centre.x < param.xsize / 2.0 ? param.xsize - 1 : 0, centre.y < param.ysize / 2.0 ? param.ysize - 1 : 0);
	cv::Point2d seen;
	arParamIdeal2Observ(param.dist_factor, far.x, far.y, &seen.x, &seen.y);
	const double distance = cv::norm(far - centre);
	const double outwards = cv::norm(seen - centre) - distance;
	if (outwards > mostPincushion * distance)
	{
		faults.push_back(line("lens factor f = %.1f pushes the picture's corners %.1f pixels (%.1f %%) outwards, "
							  "where a webcam's lens pulls them in (f above 0): take views with the board in the "
							  "corners and along the edges of the picture",
			param.dist_factor[2], outwards, 100.0 * outwards / distance));
	}
}

void checkPoses(const CameraCalibration& calibration, std::vector<std::string>& faults)
{
	const TiltSpread spread = tiltSpread(calibration.targetNormals);
	if (spread.leftRight < leastTiltSpread || spread.towardsAway < leastTiltSpread)
	{
		faults.push_back(line("the views turn the board by %.0f degrees left to right and %.0f towards and away; "
							  "%.0f or more each way are needed to fix the focal length: tilt the board by 20 to 45 "
							  "degrees, to the left, the right, towards and away from the camera, another way in "
							  "each view",
			spread.leftRight, spread.towardsAway, leastTiltSpread));
	}
}

}  // namespace

CalibrationGrade gradeCalibration(double rmsError)
{
	if (rmsError <= goodError)
	{
		return CalibrationGrade::good;
	}
	return rmsError <= usableError ? CalibrationGrade::usable : CalibrationGrade::retake;
}

const char* gradeName(CalibrationGrade grade)
{
	switch (grade)
	{
	case CalibrationGrade::good:
		return "good";
	case CalibrationGrade::usable:
		return "usable";
	case CalibrationGrade::retake:
		break;
	}
	return "retake";
}

std::string gradeLine(double rmsError)
{
	return line("grade: %s (reprojection error %.3f pixels; good up to %g, usable up to %g, retake above)",
		gradeName(gradeCalibration(rmsError)), rmsError, goodError, usableError);
}

TiltSpread tiltSpread(const std::vector<cv::Vec3d>& targetNormals)
{
	if (targetNormals.empty())
	{
		return TiltSpread();
	}
	double leftMost = 180.0, rightMost = -180.0, towardsMost = 180.0, awayMost = -180.0;
	for (const cv::Vec3d& either : targetNormals)
	{
		const cv::Vec3d normal = either[2] < 0.0 ? -either : either;
		const double leftRight = std::atan2(normal[0], normal[2]) * degreesPerRadian;
		const double towardsAway = std::atan2(normal[1], normal[2]) * degreesPerRadian;
		leftMost = std::min(leftMost, leftRight);
		rightMost = std::max(rightMost, leftRight);
		towardsMost = std::min(towardsMost, towardsAway);
		awayMost = std::max(awayMost, towardsAway);
	}
	return TiltSpread{rightMost - leftMost, awayMost - towardsMost};
}

std::vector<std::string> calibrationFaults(const CameraCalibration& calibration, const ARParam& param)
{
	std::vector<std::string> faults;
	checkError(calibration, faults);
	checkCentre(calibration, faults);
	checkFocalLength(calibration, faults);
	checkLens(param, faults);
	checkPoses(calibration, faults);
	return faults;
}
