#pragma once

#include "analysis/ColourRanges.h"

#include <opencv2/imgproc.hpp>

/// The share of a BGR image's pixels in the skin colour range (0 for an empty
/// image): how much of a board a camera shows in a hand's colour, whatever
/// else the hand watch asks.
inline double skinColourShare(const cv::Mat& image)
{
	if (image.empty())
	{
		return 0.0;
	}
	cv::Mat ycrcb, skin;
	cv::cvtColor(image, ycrcb, cv::COLOR_BGR2YCrCb);
	cv::inRange(ycrcb, skinColour.lower(), skinColour.upper(), skin);
	return cv::countNonZero(skin) / double(image.total());
}

/// Skin colour covers more than a 10/255 share of the image: what the rescan
/// once took for a hand by colour alone.
inline bool skinColourHand(const cv::Mat& image)
{
	return skinColourShare(image) > 10.0 / 255.0;
}
