#include "calibration/ProjectorPattern.h"

#include "calibration/ProjectorFit.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// Squares across the pattern, as many as fit at the smallest size at most;
/// the rows follow from the picture's shape.
constexpr int patternSquaresX = 11;
/// The codes come from a dictionary of 100 (CharucoCalibration's): half the
/// squares carry one, so a tall picture's rows stop at 200 squares in all.
constexpr int patternSquaresAtMost = 200;
/// The code in a square takes this share of its side, as on the printed board.
constexpr double patternMarkerShare = 26.0 / 35.0;

/// `layout` with squares of `square` pixels and their codes.
CharucoLayout withSquares(CharucoLayout layout, int square)
{
	layout.squareSide = square;
	layout.markerSide = std::floor(square * patternMarkerShare);
	return layout;
}

}  // namespace

CharucoLayout projectorPatternLayout(cv::Size size)
{
	CharucoLayout layout;
	// A margin of half a square all round: the board is one square larger than its squares.
	layout.squaresX = std::clamp(size.width / smallestPatternSquare - 1, 3, patternSquaresX);
	const int square = size.width / (layout.squaresX + 1);
	if (square < 2 || size.height < 8)
	{
		// No room for a chessboard: one square, no corners.
		layout.squaresX = layout.squaresY = 1;
		return layout;
	}
	layout.squaresY = std::clamp(size.height / square - 1, 3, patternSquaresAtMost / layout.squaresX);
	// Even, so that the half-square margin is whole.
	return withSquares(layout, std::min(square, size.height / (layout.squaresY + 1)) & ~1);
}

CharucoLayout patternLayoutOfSquares(cv::Size part, int square)
{
	CharucoLayout layout;
	square = std::max(2, square & ~1);
	while (part.width / square - 1 >= 3 && part.height / square - 1 >= 3
		&& (part.width / square - 1) * (part.height / square - 1) > patternSquaresAtMost)
	{
		square += 2;
	}
	layout.squaresX = part.width / square - 1;
	layout.squaresY = part.height / square - 1;
	if (layout.squaresX < 3 || layout.squaresY < 3)
	{
		layout.squaresX = layout.squaresY = 1;
		return layout;
	}
	return withSquares(layout, square);
}

ProjectorPattern makeProjectorPattern(cv::Size size)
{
	CV_Assert(unmeasurablePicture(size).empty());
	return makeProjectorPattern(size, projectorPatternLayout(size), cv::Rect(cv::Point(), size));
}

ProjectorPattern makeProjectorPattern(cv::Size size, const CharucoLayout& layout, cv::Rect within)
{
	ProjectorPattern pattern;
	pattern.layout = layout;
	const int square = int(layout.squareSide);

	const cv::Mat board = renderCharucoBoard(layout, 1.0);
	cv::Mat grey = cv::Mat::zeros(size, CV_8UC1);
	const cv::Rect place(within.x + (within.width - board.cols) / 2, within.y + (within.height - board.rows) / 2,
		board.cols, board.rows);
	CV_Assert((place & cv::Rect(cv::Point(), size)) == place);
	board.copyTo(grey(place));
	cv::cvtColor(grey, pattern.picture, cv::COLOR_GRAY2BGR);

	// The chessboard alone: each square takes the colour the coded board has
	// just inside its corner, where no code reaches.
	cv::Mat plain = cv::Mat::zeros(size, CV_8UC1);
	const int inset = std::max(1, square / 10);
	for (int row = 0; row < layout.squaresY; ++row)
	{
		for (int col = 0; col < layout.squaresX; ++col)
		{
			const cv::Rect cell(place.x + square / 2 + col * square, place.y + square / 2 + row * square, square, square);
			plain(cell).setTo(grey.at<uchar>(cell.y + inset, cell.x + inset));
		}
	}
	cv::cvtColor(plain, pattern.chessboard, cv::COLOR_GRAY2BGR);

	const CharucoView found = findCharucoCorners(layout, grey, 1);
	pattern.cornerAt.assign(size_t(layout.cornerCount()), cv::Point2f());
	pattern.hasCorner.assign(size_t(layout.cornerCount()), false);
	// The codes give each corner its number; the plain chessboard's squares,
	// drawn on whole pixels, put it exactly between four pixels.
	for (size_t i = 0; i < found.ids.size(); ++i)
	{
		const cv::Point2f origin(place.x + square / 2 - 0.5f, place.y + square / 2 - 0.5f);
		const cv::Point2f steps = (found.corners[i] - origin) / float(square);
		const cv::Point2f exact = origin + cv::Point2f(std::round(steps.x), std::round(steps.y)) * float(square);
		if (cv::norm(exact - found.corners[i]) < square / 4.0)
		{
			pattern.cornerAt[size_t(found.ids[i])] = exact;
			pattern.hasCorner[size_t(found.ids[i])] = true;
		}
	}
	return pattern;
}
