#include "analysis/HandDetection.h"

#include "analysis/ColourRanges.h"

#include <opencv2/imgproc.hpp>

/// Mean value of the skin mask, on the 0 to 255 scale, above which a hand is seen.
static constexpr double handFraction = 10.0;

cv::Mat skinMask(cv::Mat image)
{
	cv::Mat mask;
	if (image.empty())
	{
		return mask;
	}
	cv::Mat ycrcb;
	cv::cvtColor(image, ycrcb, cv::COLOR_BGR2YCrCb);
	cv::inRange(ycrcb, skinColour.lower(), skinColour.upper(), mask);
	return mask;
}

bool handInView(cv::Mat image)
{
	if (image.empty())
	{
		return false;
	}
	const cv::Mat mask = skinMask(image);
	const double mean = cv::sum(mask)[0] / (double(mask.rows) * mask.cols);
	return mean > handFraction;
}

double skinShare(cv::Mat image)
{
	if (image.empty())
	{
		return 0.0;
	}
	return cv::countNonZero(skinMask(image)) / (double(image.rows) * image.cols);
}
