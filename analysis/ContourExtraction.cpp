#include "analysis/ContourExtraction.h"

#include "core/FixedValues.h"
#include "platform/Display.h"

#include <opencv2/imgproc.hpp>

#include <climits>

namespace
{

/// Every border of the mask, holes included, with straight runs reduced to
/// their end points. An empty mask has none.
void findMaskContours(const cv::Mat& mask, std::vector<Contour>& contours,
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

void extractBlackContours(InkLayers& ink, Display& display)
{
	findMaskContours(ink.blackMask, ink.blackContours, ink.blackHierarchy);

	// Contours are in board pixels, so the picture has the board's size (the
	// mask's) whatever the camera delivers.
	const cv::Size size = ink.blackMask.empty() ? cv::Size(boardWidth, boardHeight) : ink.blackMask.size();
	ink.contourImage = cv::Mat::zeros(size, CV_8UC3);
	for (int i = 0; i < int(ink.blackContours.size()); ++i)
	{
		cv::drawContours(ink.contourImage, ink.blackContours, i, nextContourColour(ink.contourRng), 1, cv::LINE_8,
			cv::noArray(), INT_MAX, cv::Point(0, 0));
	}
	display.show("cont", ink.contourImage);
}

void extractColourContours(InkLayers& ink)
{
	findMaskContours(ink.yellowMask, ink.yellowContours, ink.yellowHierarchy);
}

void cropToRect(cv::Mat& mask, float left, float top, float width, float height)
{
	if (mask.empty())
	{
		return;
	}
	// The crop has the mask's size (the board's), so the AND is always defined.
	cv::Mat keep = cv::Mat::zeros(mask.size(), CV_8UC1);
	cv::rectangle(keep, cv::Rect(int(left), int(top), int(width), int(height)), cv::Scalar(255), cv::FILLED,
		cv::LINE_8);
	cv::bitwise_and(mask, keep, mask);
}
