#include "core/FixedValues.h"
#include "platform/Display.h"
#include "tracking/BoardScanner.h"

#include <opencv2/imgproc.hpp>

#include <climits>

namespace
{

/// Every border of the mask, holes included, with straight runs reduced to
/// their end points. An empty mask has none.
void findMaskContours(const cv::Mat& mask, std::vector<std::vector<cv::Point>>& contours,
	std::vector<cv::Vec4i>& hierarchy)
{
	contours.clear();
	hierarchy.clear();
	if (mask.empty())
	{
		return;
	}
	cv::findContours(mask, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_SIMPLE, cv::Point(0, 0));
}

/// Three draws, red first, so the colour sequence depends only on how many
/// contours were drawn before.
cv::Scalar nextContourColour(cv::RNG& rng)
{
	const int red = rng.uniform(0, 255);
	const int green = rng.uniform(0, 255);
	const int blue = rng.uniform(0, 255);
	return cv::Scalar(blue, green, red);
}

}  // namespace

void BoardScanner::extractBlackContours()
{
	findMaskContours(blackMask, blackContours, hierarchy);

	// Contours are in board pixels, so the picture has the board's size (the
	// mask's) whatever the camera delivers.
	const cv::Size size = blackMask.empty() ? cv::Size(boardWidth, boardHeight) : blackMask.size();
	contourImage = cv::Mat::zeros(size, CV_8UC3);
	for (int i = 0; i < int(blackContours.size()); ++i)
	{
		cv::drawContours(contourImage, blackContours, i, nextContourColour(contourRng), 1, cv::LINE_8,
			cv::noArray(), INT_MAX, cv::Point(0, 0));
	}
	display.show("cont", contourImage);
}

void BoardScanner::extractColourContours()
{
	findMaskContours(yellowMask, yellowContours, hierarchy);
}
