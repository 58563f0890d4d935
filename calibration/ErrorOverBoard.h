#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// Where a fitted camera-to-projector map's error is measured: points
/// covering the board, in ideal camera pixels, and, when the board was found,
/// ideal camera pixels to millimetres on it.
struct ErrorArea
{
	std::vector<cv::Point2d> points;
	bool hasMm = false;
	cv::Matx33d toMm = cv::Matx33d::eye();
};

/// A grid over a board of `size` board pixels, seen through `boardToIdeal`;
/// `boardToMm` gives the millimetres.
ErrorArea boardErrorArea(const cv::Matx33d& boardToIdeal, cv::Size size, const cv::Matx33d& boardToMm);

/// A grid over the camera's whole picture (observed pixels taken to ideal ones
/// through the camera parameters' `distortion`), for when the board was not
/// found: the millimetres are then unknown.
ErrorArea pictureErrorArea(cv::Size cameraSize, const double distortion[4]);

/// A pattern corner the fit used: where the camera saw it (ideal pixels), where
/// the projector drew it, and its row and column in the pattern.
struct FittedCorner
{
	cv::Point2d camera;
	cv::Point2d projector;
	int row = 0;
	int column = 0;
};

/// How far the map may be off over the part of the area the projector lights,
/// in projector pixels and in millimetres on the board (negative when unknown).
struct ErrorOverBoard
{
	/// False when the corners lie in fewer than three rows or three columns of
	/// the pattern, or leaving some out leaves no map: nothing then says how
	/// far the map is off away from them.
	bool measured = false;
	/// Points of the area inside the projector's picture (none: the picture
	/// misses the board).
	int pointsLit = 0;
	double rmsPixels = 0.0;
	double largestPixels = 0.0;
	double rmsMm = -1.0;
	double largestMm = -1.0;
};

/// The error of `cameraToProjector`, fitted to `corners`, over `area`. A
/// homography fitted to corners in one part of the board is extrapolated
/// everywhere else, and corners that err alike along a row or a column (a
/// shadow, the paper's edge, a lens the camera parameters describe slightly
/// wrong) pull it together, which the corners' own residuals do not show. So
/// the map is fitted again with each row of the pattern's corners left out,
/// then each column (a delete-a-group jackknife); at every point the spread of
/// where those maps put it is its standard error, the larger of the two
/// spreads is taken, and the figures are the root mean square and the largest
/// over the points the projector lights. In millimetres, the spread is of where
/// the light of those projector pixels lands on the board through the map.
ErrorOverBoard measureErrorOverBoard(const cv::Matx33d& cameraToProjector, const std::vector<FittedCorner>& corners,
	const ErrorArea& area, cv::Size projectorSize);
