#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// Drawing at places between pixels with OpenCV: its drawing functions take
/// whole-number points with this many fractional bits (their `shift`).
constexpr int subPixelBits = 4;

/// A point as those functions take it, held well inside the reach of their
/// fixed-point arithmetic (a point far outside is clipped all the same).
cv::Point subPixel(cv::Point2d p);

template <typename Point>
std::vector<cv::Point> subPixel(const std::vector<Point>& points)
{
	std::vector<cv::Point> out;
	out.reserve(points.size());
	for (const Point& p : points)
	{
		out.push_back(subPixel(cv::Point2d(p)));
	}
	return out;
}

/// `points` points evenly round a circle, starting at its right.
std::vector<cv::Point2f> circleOutline(cv::Point2f centre, float radius, int points);

/// An anti-aliased filled disc.
void fillDisc(cv::Mat& image, cv::Point2d centre, double radius, const cv::Scalar& colour);

/// `colour` over `pixel` as far as `cover` (of 255) reaches: the blend of an
/// anti-aliased edge.
inline void blendPixel(cv::Vec3b& pixel, const cv::Vec3b& colour, int cover)
{
	for (int c = 0; c < 3; ++c)
	{
		pixel[c] = uchar((colour[c] * cover + pixel[c] * (255 - cover) + 127) / 255);
	}
}
