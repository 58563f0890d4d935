#include "analysis/TemplateRing.h"

#include "analysis/ShapeDescriptor.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <limits>

namespace
{

/// What the edge cut may come this close to it, in pixels, once thinned:
/// thinning eats a stroke's end at the edge by a pixel or two.
constexpr int edgeMargin = 3;

bool reachesEdge(const std::vector<cv::Point>& contour, cv::Size picture)
{
	const cv::Rect box = cv::boundingRect(contour);
	return box.x < edgeMargin || box.y < edgeMargin || box.br().x > picture.width - edgeMargin
		|| box.br().y > picture.height - edgeMargin;
}

}  // namespace

std::vector<cv::Point> roundestRing(const std::vector<std::vector<cv::Point>>& contours,
	const std::vector<cv::Vec4i>& hierarchy, cv::Size picture)
{
	double bestSpread = std::numeric_limits<double>::infinity();
	int best = -1;
	for (int i = 0; i < int(contours.size()) && i < int(hierarchy.size()); ++i)
	{
		const bool enclosesHole = hierarchy[i][2] >= 0;
		if (!enclosesHole || reachesEdge(contours[i], picture))
		{
			continue;
		}
		const ShapeDescriptor d = computeDescriptor(contours[i]);
		const double meanRadius = descriptorMeanRadius(d);
		if (meanRadius < minimumRingRadius)
		{
			continue;
		}
		// Standard deviation of the radius as a share of it: 0 for a perfect
		// circle, about 0.08 for a square.
		const double spread = std::sqrt(d.at<double>(radiusVarianceRow)) / meanRadius;
		if (spread < bestSpread && spread <= roundRingSpread)
		{
			bestSpread = spread;
			best = i;
		}
	}
	return best < 0 ? std::vector<cv::Point>() : contours[best];
}
