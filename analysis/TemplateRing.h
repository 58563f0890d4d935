#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// The roundest drawn ring among the contours of one search: the outer border
/// (a contour with a hole inside it) whose points spread least around their
/// mean radius, relative to that radius. Borders of mean radius below
/// minimumRingRadius pixels are not rings. Empty when there is none.
/// Circle templates are made from what this returns.
std::vector<cv::Point> roundestRing(const std::vector<std::vector<cv::Point>>& contours,
	const std::vector<cv::Vec4i>& hierarchy);

constexpr double minimumRingRadius = 5.0;
