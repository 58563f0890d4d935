#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// An area of the board a shadow or a patch of light covers, in board pixels
/// (x right, y down): a band (an arm's shadow), a disc (a head's), a polygon,
/// or the half of the plane beyond a line.
struct BoardShape
{
	enum Kind
	{
		Band,     ///< `points` [0] to [1], `size` wide
		Disc,     ///< centred on `points` [0], `size` the radius
		Polygon,  ///< the corners `points`, three or more, in either order round
		Half      ///< beyond the line through `points` [0], towards `angle`
	};

	Kind kind = Disc;
	std::vector<cv::Point2d> points;
	double size = 0.0;
	/// Degrees: 0 towards the board's right, 90 towards its top.
	double angle = 0.0;

	/// How far a board point lies outside the shape (negative inside), in
	/// board pixels.
	double signedDistance(cv::Point2d p) const;
};

/// How much of a shape's effect a point gets, 0 to 1, with an edge `edge`
/// board pixels wide centred on the outline: 1 inside beyond half the edge,
/// 0 outside beyond it, a smooth step between. A sharp outline for 0.
double insideShare(double signedDistance, double edge);
