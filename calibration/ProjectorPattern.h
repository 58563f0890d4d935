#pragma once

#include "calibration/CharucoCalibration.h"

#include <opencv2/core.hpp>

#include <vector>

/// What the projector shows while it is measured: a ChArUco board filling its
/// picture, white where the projector gives light, on black. Its corners are
/// found in the picture itself, so their numbers and places are OpenCV's own.
/// The codes name the corners; the same chessboard without codes, shown next,
/// places them: a code's edges near a corner pull its sub-pixel position.
/// Lengths are projector pixels: the layout's squareSide is a square's pixels.
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

/// Projector pixels across a square at the least: the code in a smaller one
/// is drawn too coarsely for the camera to read it.
constexpr int smallestPatternSquare = 40;

/// The squares of the pattern for a projector picture of `size`: as many as
/// fit at smallestPatternSquare pixels or more a square, up to 11 across.
CharucoLayout projectorPatternLayout(cv::Size size);

/// The squares of a pattern filling a part of the picture of `part` pixels,
/// half a square of margin all round: squares of `square` pixels (made even),
/// or larger where more would fit than the codes can name. At least 3 x 3
/// squares; 1 x 1 when those do not fit.
CharucoLayout patternLayoutOfSquares(cv::Size part, int square);

/// The pattern for a projector picture of `size`, one the calibration can
/// measure (see unmeasurablePicture).
ProjectorPattern makeProjectorPattern(cv::Size size);

/// A pattern of `layout` centred in the part `within` of a picture of `size`,
/// black elsewhere; its corners are numbered and placed in the whole picture.
ProjectorPattern makeProjectorPattern(cv::Size size, const CharucoLayout& layout, cv::Rect within);
