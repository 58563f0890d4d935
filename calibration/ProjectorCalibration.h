#pragma once

#include "calibration/CharucoCalibration.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

/// What the projector shows while it is measured: a ChArUco board filling its
/// picture, white where the projector gives light, on black. Its corners are
/// found in the picture itself, so their numbers and places are OpenCV's own.
/// The codes name the corners; the same chessboard without codes, shown next,
/// places them: a code's edges near a corner pull its sub-pixel position.
struct ProjectorPattern
{
	CharucoLayout layout;
	/// BGR, the projector's size: the board with codes, and the plain chessboard.
	cv::Mat picture;
	cv::Mat chessboard;
	/// Where each chessboard corner lies in the picture, by corner number.
	std::vector<cv::Point2f> cornerAt;
	std::vector<bool> hasCorner;
};

/// The pattern for a projector picture of `size` (at least 160 x 120).
ProjectorPattern makeProjectorPattern(cv::Size size);

/// The largest of a BGR image's three channels, pixel by pixel.
cv::Mat largestChannel(const cv::Mat& bgr);

/// The light the projector adds to the board: the pattern frame less the dark
/// frame, channel by channel, the largest of the three, stretched so that the
/// brightest light is white. Paper, ink and markers, lit alike in both frames,
/// cancel; what is left looks like the pattern as printed.
cv::Mat projectedLight(const cv::Mat& litFrame, const cv::Mat& darkFrame);

/// The corners the codes named, placed again in the light of the plain
/// chessboard (the chessboard frame less the dark frame, see projectedLight),
/// each by its own saddle point. A corner that cannot be placed is left out.
CharucoView placeOnChessboard(const CharucoView& named, const cv::Mat& chessboardLight);

/// How the table plane is seen by the camera and lit by the projector.
struct ProjectorCalibration
{
	cv::Size projectorSize;
	cv::Size cameraSize;
	/// Ideal (undistorted) camera pixels to projector pixels, for points of the table.
	cv::Matx33d cameraToProjector = cv::Matx33d::eye();
	/// Passes between a picture shown and the first camera frame showing it.
	int latencyPasses = 0;
	/// Root mean square error of the fit over the corners used, in projector
	/// pixels and in millimetres on the board (negative: the board was not seen).
	double rmsPixels = 0.0;
	double rmsMm = -1.0;
	int cornersFound = 0;
	int cornersUsed = 0;
	/// What the projector's white adds to white paper in the camera's
	/// picture, per channel (B, G, R), in grey levels. Unknown, the most a
	/// channel can take: 255.
	cv::Vec3d paperLight = cv::Vec3d(255.0, 255.0, 255.0);
};

/// What a projector's white adds to white paper as the camera sees it: per
/// channel, the brightest of what the lit frame gains over the dark one (the
/// 95th percentile of the lit places, so that a few glinting pixels do not
/// set it).
cv::Vec3d paperLightOf(const cv::Mat& litFrame, const cv::Mat& darkFrame);

/// The largest fit error accepted, and the fewest corners.
constexpr double maxCalibrationPixels = 2.0;
constexpr double maxCalibrationMm = 2.0;
constexpr int minCalibrationCorners = 12;

/// Fit the camera-to-projector map from the pattern's corners seen in the
/// camera (observed pixels, as the lens puts them; `distortion` are the camera
/// parameters' factors, which take them to ideal pixels). The fit is robust:
/// RANSAC over every corner found, then least squares over those it keeps,
/// which must be most of them.
/// `idealToBoardMm`, when not null, maps ideal camera pixels to millimetres on
/// the board, for the error in millimetres. Returns false with `problem` saying
/// what to change when the fit is too poor to use; `result` holds the figures
/// either way.
bool fitProjectorCalibration(const ProjectorPattern& pattern, const CharucoView& seen, const double distortion[4],
	const cv::Matx33d* idealToBoardMm, ProjectorCalibration& result, std::string& problem);

/// One line for the user: the figures of a calibration.
std::string describeCalibration(const ProjectorCalibration& calibration);

/// Write or read a calibration as an OpenCV FileStorage file. False with a
/// one-line `error` naming the file when it cannot be written, read or used.
bool saveProjectorCalibration(const std::string& path, const ProjectorCalibration& calibration, std::string& error);
bool loadProjectorCalibration(const std::string& path, ProjectorCalibration& calibration, std::string& error);
