#pragma once

#include "calibration/CharucoCalibration.h"
#include "calibration/ErrorOverBoard.h"
#include "calibration/ProjectorPattern.h"

#include <opencv2/core.hpp>

#include <string>

/// How the table plane is seen by the camera and lit by the projector.
struct ProjectorCalibration
{
	cv::Size projectorSize;
	cv::Size cameraSize;
	/// Ideal (undistorted) camera pixels to projector pixels, for points of the table.
	cv::Matx33d cameraToProjector = cv::Matx33d::eye();
	/// The map turns the board over, as a projector seen in a mirror (or set
	/// to rear projection) does; one hanging above the board does not.
	bool mirrored = false;
	/// Passes between a picture shown and the first camera frame showing it.
	int latencyPasses = 0;
	/// How far the map may be off over the board (see measureErrorOverBoard):
	/// root mean square and largest, in projector pixels and in millimetres on
	/// the board (negative: the board was not seen).
	double rmsPixels = 0.0;
	double largestPixels = 0.0;
	double rmsMm = -1.0;
	double largestMm = -1.0;
	int cornersFound = 0;
	int cornersUsed = 0;
	/// The camera parameters it was measured with (cameraParametersRecord).
	std::string cameraParameters;
	/// What the projector's white adds to white paper in the camera's
	/// picture, per channel (B, G, R), in grey levels. Unknown, the most a
	/// channel can take: 255.
	cv::Vec3d paperLight = cv::Vec3d(255.0, 255.0, 255.0);
};

/// The largest error over the board accepted: in millimetres on the board,
/// which is what the eye sees of light beside the ink; in projector pixels
/// only when the board was not found. And the fewest corners.
constexpr double maxCalibrationMm = 2.0;
constexpr double maxCalibrationPixels = 2.0;
constexpr int minCalibrationCorners = 12;

/// The rule a calibration is accepted by, when it is measured and again when
/// its file is read. First, the corners: at least minCalibrationCorners of
/// those found agree on one map, and most of them (a map that only a few
/// support is chance).
bool cornersAgree(int cornersUsed, int cornersFound);

/// The error over the board is known in millimetres (the board was seen).
bool millimetresKnown(const ProjectorCalibration& calibration);

/// Second, the error: its largest over the board within the limit, in
/// millimetres when they are known, else in projector pixels. An error that
/// is no number is not within it.
bool errorWithinLimit(const ProjectorCalibration& calibration);

/// The fewest corners a pattern must have to be measured: on a drawn board the
/// corners on ink, on the markers and off the paper are lost, and most of
/// those found must agree, so twice the fewest a fit needs.
constexpr int minPatternCorners = 2 * minCalibrationCorners;
/// The smallest projector picture whose pattern has that many, at squares of
/// smallestPatternSquare pixels: 7 x 5 squares and their half-square margin.
const cv::Size smallestProjectorPicture(320, 240);

/// Why a projector picture of `size` cannot be measured (its pattern has too
/// few corners, or squares too small for a camera to read their codes), with
/// the smallest that can; empty when it can.
std::string unmeasurablePicture(cv::Size size);

/// True when a map from ideal camera pixels turns the table over about
/// `cameraPoint`, a point of the table the camera sees.
bool mapIsMirrored(const cv::Matx33d& cameraToProjector, cv::Point2d cameraPoint);

/// Fit the camera-to-projector map from the pattern's corners seen in the
/// camera (observed pixels, as the lens puts them; `distortion` are the camera
/// parameters' factors, which take them to ideal pixels). The fit is robust:
/// RANSAC over every corner found, then least squares over those it keeps,
/// which must agree (cornersAgree). Its error is measured over `area`, the
/// board (see measureErrorOverBoard), and must be within the limit
/// (errorWithinLimit). Returns false with `problem` saying what to change when
/// the fit is too poor to use; `result` holds the figures either way.
bool fitProjectorCalibration(const ProjectorPattern& pattern, const CharucoView& seen, const double distortion[4],
	const ErrorArea& area, ProjectorCalibration& result, std::string& problem);

/// One line for the user: the figures of a calibration.
std::string describeCalibration(const ProjectorCalibration& calibration);
