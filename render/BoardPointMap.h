#pragma once

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

/// Points further out than this are held there: far beyond any picture, well
/// inside the drawing functions' fixed-point range.
constexpr double farOutPixel = 1e6;

/// A board point through a homography; false for one behind it (or a map
/// that is no number there).
inline bool throughMap(const cv::Matx33d& h, cv::Point2f p, cv::Point2d& out)
{
	const double w = h(2, 0) * p.x + h(2, 1) * p.y + h(2, 2);
	if (!(w > 1e-12))
	{
		return false;
	}
	out.x = std::clamp((h(0, 0) * p.x + h(0, 1) * p.y + h(0, 2)) / w, -farOutPixel, farOutPixel);
	out.y = std::clamp((h(1, 0) * p.x + h(1, 1) * p.y + h(1, 2)) / w, -farOutPixel, farOutPixel);
	return true;
}

/// Pixels of the mapped picture per board pixel about a point: line widths
/// scale by it.
inline double mapScaleAt(const cv::Matx33d& h, cv::Point2f p)
{
	cv::Point2d a, b;
	if (!throughMap(h, p, a) || !throughMap(h, p + cv::Point2f(1.0f, 0.0f), b))
	{
		return 1.0;
	}
	return cv::norm(b - a);
}
