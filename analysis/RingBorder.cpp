#include "analysis/RingBorder.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

bool liesAlongRing(const Contour& contour, const Contour& ring)
{
	if (contour.empty() || ring.empty())
	{
		return false;
	}
	// Most contours lie far from any ring: their boxes tell at once.
	const int reach = int(std::ceil(ringBorderReach));
	const cv::Rect around = cv::boundingRect(ring) + cv::Size(2 * reach, 2 * reach) - cv::Point(reach, reach);
	const cv::Rect box = cv::boundingRect(contour);
	if ((box & around) != box)
	{
		return false;
	}
	const auto near = [&ring](cv::Point2f p) {
		return std::abs(cv::pointPolygonTest(ring, p, true)) <= ringBorderReach;
	};
	for (size_t i = 0; i < contour.size(); ++i)
	{
		// A contour's points may be far apart along a straight run: sampled every
		// half reach, a chord across the ring is not taken for its border.
		const cv::Point2f from(contour[i]), to(contour[(i + 1) % contour.size()]);
		const int steps = std::max(1, int(std::ceil(cv::norm(to - from) / (ringBorderReach / 2.0))));
		for (int k = 0; k < steps; ++k)
		{
			if (!near(from + (to - from) * (float(k) / float(steps))))
			{
				return false;
			}
		}
	}
	return true;
}

void flagRingBorders(const std::vector<Contour>& contours, std::vector<const Contour*> rings,
	std::vector<bool>& ownBorder)
{
	for (size_t i = 0; i < contours.size(); ++i)
	{
		if (ownBorder[i])
		{
			rings.push_back(&contours[i]);
		}
	}
	for (size_t i = 0; i < contours.size(); ++i)
	{
		for (size_t r = 0; r < rings.size() && !ownBorder[i]; ++r)
		{
			ownBorder[i] = liesAlongRing(contours[i], *rings[r]);
		}
	}
}
