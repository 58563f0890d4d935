#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// The roundest drawn ring among the contours of one search in a picture of
/// `picture`'s size: the outer border (a contour with a hole inside it) whose
/// points spread least around their mean radius, relative to that radius.
/// Borders of mean radius below minimumRingRadius pixels are not rings, nor
/// are those that reach the picture's edge: what the edge cuts (a board
/// marker, centred on the rectified board's corner) is not a drawn circle,
/// and a ring cut by it is not whole. Nor are borders whose spread is above
/// roundRingSpread, such as the square of the portal card's code. Empty
/// when there is none.
/// Circle templates are made from what this returns.
std::vector<cv::Point> roundestRing(const std::vector<std::vector<cv::Point>>& contours,
	const std::vector<cv::Vec4i>& hierarchy, cv::Size picture);

constexpr double minimumRingRadius = 5.0;
/// The spread of a drawn ring's border stays below this. A contour's points
/// lie unevenly (a straight run keeps only its ends), so spreads run above a
/// true shape's: about 0.02 for a thinned black ring, up to 0.1 for a yellow
/// one, and 0.35 for the square of the portal card's code.
constexpr double roundRingSpread = 0.2;
