#pragma once

#include "analysis/Thinning.h"

#include <opencv2/core.hpp>

/// The thinning as first written: whole-image sub-iterations until a round
/// changes nothing. thinMask must give exactly its image.
inline void thinBySweeps(cv::Mat& mask)
{
	if (mask.empty())
	{
		return;
	}
	mask.convertTo(mask, mask.type(), 1.0 / 255.0);
	cv::Mat previous = cv::Mat::zeros(mask.size(), mask.type());
	cv::Mat difference;
	while (true)
	{
		thinningSubIteration(mask, 0);
		thinningSubIteration(mask, 1);
		cv::absdiff(mask, previous, difference);
		mask.copyTo(previous);
		if (cv::countNonZero(difference) == 0)
		{
			break;
		}
	}
	mask.convertTo(mask, mask.type(), 255.0);
}
