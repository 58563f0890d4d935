#include "colour/SharpEdges.h"

#include <opencv2/imgproc.hpp>

cv::Mat rangeOver(const cv::Mat& picture, int side)
{
	CV_Assert(picture.depth() == CV_8U && (picture.channels() == 1 || picture.channels() == 3));
	const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(side, side));
	cv::Mat high, low;
	cv::dilate(picture, high, square);
	cv::erode(picture, low, square);
	const cv::Mat range = high - low;
	if (picture.channels() == 1)
	{
		return range;
	}
	cv::Mat summed;
	cv::transform(range, summed, cv::Matx13f(1.0f, 1.0f, 1.0f));
	return summed;
}

cv::Mat sharperThanLight(const cv::Mat& nearRange, const cv::Mat& wideRange)
{
	cv::Mat sharp;
	cv::compare(nearRange, wideRange * sharpEdgeShare, sharp, cv::CMP_GE);
	return sharp;
}
