#include "scenes/BoardShape.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace
{

double distanceToSegment(cv::Point2d p, cv::Point2d a, cv::Point2d b)
{
	const cv::Point2d ab = b - a;
	const double length2 = ab.dot(ab);
	const double t = length2 > 0.0 ? std::min(1.0, std::max(0.0, (p - a).dot(ab) / length2)) : 0.0;
	return cv::norm(p - (a + t * ab));
}

/// Distance to the outline, negative inside (an even number of crossings of
/// a ray to the right means outside, whichever way the corners go round).
double polygonDistance(const std::vector<cv::Point2d>& corners, cv::Point2d p)
{
	double nearest = 1e300;
	bool inside = false;
	for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++)
	{
		const cv::Point2d a = corners[j], b = corners[i];
		nearest = std::min(nearest, distanceToSegment(p, a, b));
		if ((b.y > p.y) != (a.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y))
		{
			inside = !inside;
		}
	}
	return inside ? -nearest : nearest;
}

}  // namespace

double BoardShape::signedDistance(cv::Point2d p) const
{
	switch (kind)
	{
	case Band:
		assert(points.size() == 2);
		return distanceToSegment(p, points[0], points[1]) - size * 0.5;
	case Disc:
		assert(points.size() == 1);
		return cv::norm(p - points[0]) - size;
	case Polygon:
		assert(points.size() >= 3);
		return polygonDistance(points, p);
	case Half:
	{
		assert(points.size() == 1);
		// Board y runs down, angles count up.
		const double a = angle * CV_PI / 180.0;
		return -((p.x - points[0].x) * std::cos(a) - (p.y - points[0].y) * std::sin(a));
	}
	}
	return 0.0;
}

double insideShare(double signedDistance, double edge)
{
	if (edge <= 0.0)
	{
		return signedDistance < 0.0 ? 1.0 : 0.0;
	}
	const double t = std::min(1.0, std::max(0.0, 0.5 - signedDistance / edge));
	return t * t * (3.0 - 2.0 * t);
}
