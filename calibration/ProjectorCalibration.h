#pragma once

#include "calibration/CharucoCalibration.h"
#include "calibration/ErrorOverBoard.h"

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

/// The squares of the pattern for a projector picture of `size`: as many as
/// fit at 40 pixels or more a square, up to 11 across.
CharucoLayout projectorPatternLayout(cv::Size size);

/// The squares of a pattern filling a part of the picture of `part` pixels,
/// half a square of margin all round: squares of `square` pixels (made even),
/// or larger where more would fit than the codes can name. At least 3 x 3
/// squares; 1 x 1 when those do not fit.
CharucoLayout patternLayoutOfSquares(cv::Size part, int square);

/// The pattern for a projector picture of `size` (at least 160 x 120).
ProjectorPattern makeProjectorPattern(cv::Size size);

/// A pattern of `layout` centred in the part `within` of a picture of `size`,
/// black elsewhere; its corners are numbered and placed in the whole picture.
ProjectorPattern makeProjectorPattern(cv::Size size, const CharucoLayout& layout, cv::Rect within);

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

/// What a projector's white adds to white paper as the camera sees it: per
/// channel, the brightest of what the lit frame gains over the dark one (the
/// 95th percentile of the lit places, so that a few glinting pixels do not
/// set it).
cv::Vec3d paperLightOf(const cv::Mat& litFrame, const cv::Mat& darkFrame);

/// The largest error over the board accepted: in millimetres on the board,
/// which is what the eye sees of light beside the ink; in projector pixels
/// only when the board was not found. And the fewest corners.
constexpr double maxCalibrationMm = 2.0;
constexpr double maxCalibrationPixels = 2.0;
constexpr int minCalibrationCorners = 12;

/// The fewest corners a pattern must have to be measured: on a drawn board the
/// corners on ink, on the markers and off the paper are lost, and most of
/// those found must agree, so twice the fewest a fit needs.
constexpr int minPatternCorners = 2 * minCalibrationCorners;
/// The smallest projector picture whose pattern has that many.
const cv::Size smallestProjectorPicture(320, 240);

/// Why a projector picture of `size` cannot be measured (its pattern has too
/// few corners, or squares too small for a camera to read their codes), with
/// the smallest that can; empty when it can.
std::string unmeasurablePicture(cv::Size size);

/// True when a map from ideal camera pixels turns the table over about
/// `cameraPoint`, a point of the table the camera sees.
bool mapIsMirrored(const cv::Matx33d& cameraToProjector, cv::Point2d cameraPoint);

/// Which camera parameters a calibration holds for: the bytes of their file,
/// summed (64-bit FNV-1a) and counted. Empty when the file cannot be read.
std::string cameraParametersRecord(const std::string& path);

/// Fit the camera-to-projector map from the pattern's corners seen in the
/// camera (observed pixels, as the lens puts them; `distortion` are the camera
/// parameters' factors, which take them to ideal pixels). The fit is robust:
/// RANSAC over every corner found, then least squares over those it keeps,
/// which must be most of them. Its error is measured over `area`, the board
/// (see measureErrorOverBoard), and its largest must be within the limit.
/// Returns false with `problem` saying what to change when the fit is too poor
/// to use; `result` holds the figures either way.
bool fitProjectorCalibration(const ProjectorPattern& pattern, const CharucoView& seen, const double distortion[4],
	const ErrorArea& area, ProjectorCalibration& result, std::string& problem);

/// One line for the user: the figures of a calibration.
std::string describeCalibration(const ProjectorCalibration& calibration);

/// Write or read a calibration as an OpenCV FileStorage file. False with a
/// one-line `error` naming the file when it cannot be written, read or used:
/// a file is refused whose figures no calibration that was accepted has (an
/// error above the limit, too few corners, a map that turns the board over
/// when the file does not say so, or that says nothing of the camera).
bool saveProjectorCalibration(const std::string& path, const ProjectorCalibration& calibration, std::string& error);
bool loadProjectorCalibration(const std::string& path, ProjectorCalibration& calibration, std::string& error);
