#include "render/ViewFit.h"

#include <algorithm>
#include <cmath>

ViewFit ViewFit::of(const cv::Rect2d& area, cv::Size window)
{
	if (!(area.width > 0.0 && area.height > 0.0))
	{
		return ViewFit{};
	}
	ViewFit fit;
	fit.scale = std::min(window.width / area.width, window.height / area.height);
	const cv::Point2d areaCentre(area.x + area.width / 2.0, area.y + area.height / 2.0);
	fit.offset = cv::Point2d(window.width / 2.0, window.height / 2.0) - areaCentre * fit.scale;
	return fit;
}

cv::Size windowShapedLike(const cv::Rect2d& area, int width)
{
	const double shape = area.width > 0.0 && area.height > 0.0 ? area.height / area.width : 2.0 / 3.0;
	return cv::Size(width, 2 * int(std::lround(width * shape / 2.0)));
}
