#include "render/SubPixelDrawing.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

constexpr double subPixels = 1 << subPixelBits;
/// Beyond any picture, and times subPixels well inside an int.
constexpr double farOut = 1e6;

}  // namespace

cv::Point subPixel(cv::Point2d p)
{
	// NaN goes to the far corner too: std::clamp passes it through, the test does not.
	const auto held = [](double v) { return v >= -farOut && v <= farOut ? v : (v < 0.0 ? -farOut : farOut); };
	return cv::Point(int(std::lround(held(p.x) * subPixels)), int(std::lround(held(p.y) * subPixels)));
}

std::vector<cv::Point2f> circleOutline(cv::Point2f centre, float radius, int points)
{
	std::vector<cv::Point2f> outline;
	for (int k = 0; k < points; ++k)
	{
		const double angle = 2.0 * CV_PI * k / points;
		outline.emplace_back(centre.x + radius * float(std::cos(angle)), centre.y + radius * float(std::sin(angle)));
	}
	return outline;
}

void fillDisc(cv::Mat& image, cv::Point2d centre, double radius, const cv::Scalar& colour)
{
	cv::circle(image, subPixel(centre), std::max(1, int(std::lround(radius * subPixels))), colour, cv::FILLED,
		cv::LINE_AA, subPixelBits);
}
