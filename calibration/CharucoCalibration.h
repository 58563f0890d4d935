#pragma once

#include "calibration/CameraFit.h"
#include "markers/ARParam.h"

#include <opencv2/core.hpp>

#include <vector>

/// The calibration board: a chessboard of 7 x 5 squares of 35 mm with ArUco
/// codes of the 5X5_100 dictionary in its white squares, 245 x 175 mm, so it
/// prints on one A4 sheet. Its codes are of another dictionary than the
/// table's board, so neither is taken for the other.
struct CharucoLayout
{
	int squaresX = 7;
	int squaresY = 5;
	/// The sides of a square and of its code, in the unit the board is drawn
	/// in: millimetres for the printed board, pixels for a projector's pattern.
	double squareSide = 35.0;
	double markerSide = 26.0;

	/// Inner chessboard corners, the points a photograph can give.
	int cornerCount() const { return (squaresX - 1) * (squaresY - 1); }
};

/// The board alone, white margin included, at `pixelsPerUnit` (pixels a
/// millimetre for the printed board, 1 for a projector's pattern), grey.
cv::Mat renderCharucoBoard(const CharucoLayout& layout, double pixelsPerUnit);

/// The board in the middle of a white sheet of `sheetMm`, at `pixelsPerMm`.
cv::Mat renderCharucoSheet(const CharucoLayout& layout, cv::Size2d sheetMm, double pixelsPerMm);

/// The chessboard corners one photograph shows, with their numbers.
struct CharucoView
{
	std::vector<cv::Point2f> corners;
	std::vector<int> ids;
};

/// Find the board's corners in a photograph (BGR or grey). A view with fewer
/// than `minCorners` corners has too little to go on and comes back empty.
CharucoView findCharucoCorners(const CharucoLayout& layout, const cv::Mat& photo, int minCorners = 8);

/// The corners of a board whose codes the camera sees soft, as a projected
/// one is through two lenses (grey pictures): each code's cells are read at
/// their middles only, away from the blurred edges between them, and the codes
/// are read both in `photo` and in `smoothed`, the same picture with its grain
/// taken away, which each lose different ones. The corners are placed in `photo`.
CharucoView findSoftCharucoCorners(const CharucoLayout& layout, const cv::Mat& photo, const cv::Mat& smoothed);

/// The view's corners with where each lies on the board, for the camera fit.
TargetView charucoTargetView(const CharucoLayout& layout, const CharucoView& view);
