#include "analysis/TemplateRing.h"

#include "analysis/ShapeDescriptor.h"

#include <cmath>
#include <limits>

std::vector<cv::Point> roundestRing(const std::vector<std::vector<cv::Point>>& contours,
	const std::vector<cv::Vec4i>& hierarchy)
{
	double bestSpread = std::numeric_limits<double>::infinity();
	int best = -1;
	for (int i = 0; i < int(contours.size()) && i < int(hierarchy.size()); ++i)
	{
		const bool enclosesHole = hierarchy[i][2] >= 0;
		if (!enclosesHole)
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
		if (spread < bestSpread)
		{
			bestSpread = spread;
			best = i;
		}
	}
	return best < 0 ? std::vector<cv::Point>() : contours[best];
}
