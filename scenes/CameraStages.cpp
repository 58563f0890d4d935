#include "scenes/CameraStages.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// Scattered light spreads over about a quarter of the picture's width
/// (sigma); it is found on a picture this many times smaller, since it has
/// no detail.
constexpr double hazeSpread = 0.25;
constexpr int hazeCoarse = 16;

/// The channel the mosaic keeps at a pixel (BGR index): red, green on even
/// rows, green, blue on odd ones. OpenCV names this layout by its second
/// row's colours.
int mosaicChannel(int row, int col)
{
	if (row % 2 == 0)
	{
		return col % 2 == 0 ? 2 : 1;
	}
	return col % 2 == 0 ? 1 : 0;
}
constexpr int mosaicInterpolation = cv::COLOR_BayerBG2BGR;

/// A channel drawn `scale` times as large about the picture's middle, in place.
void magnify(cv::Mat& channel, double scale)
{
	const cv::Point2f middle((channel.cols - 1) * 0.5f, (channel.rows - 1) * 0.5f);
	const cv::Mat map = cv::getRotationMatrix2D(middle, 0.0, scale);
	cv::warpAffine(channel, channel, map, channel.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
}

}  // namespace

void throughHazyLens(cv::Mat& radiance, const CameraStages& stages)
{
	CV_Assert(radiance.type() == CV_32FC3);
	if (stages.lateral > 0.0)
	{
		// Red half the spread outwards at the corners, blue half of it inwards.
		const double corner = std::hypot(radiance.cols * 0.5, radiance.rows * 0.5);
		const double scale = stages.lateral * 0.5 / corner;
		std::vector<cv::Mat> channels;
		cv::split(radiance, channels);
		magnify(channels[2], 1.0 + scale);
		magnify(channels[0], 1.0 - scale);
		cv::merge(channels, radiance);
	}
	if (stages.haze > 0.0)
	{
		cv::Mat small, veil;
		const cv::Size coarse(std::max(1, radiance.cols / hazeCoarse), std::max(1, radiance.rows / hazeCoarse));
		cv::resize(radiance, small, coarse, 0, 0, cv::INTER_AREA);
		cv::GaussianBlur(small, small, cv::Size(), hazeSpread * coarse.width, 0, cv::BORDER_REFLECT);
		cv::resize(small, veil, radiance.size(), 0, 0, cv::INTER_LINEAR);
		cv::addWeighted(radiance, 1.0 - stages.haze, veil, stages.haze, 0.0, radiance);
	}
}

void interpolateMosaic(cv::Mat& frame)
{
	CV_Assert(frame.type() == CV_8UC3);
	cv::Mat raw(frame.size(), CV_8UC1);
	for (int row = 0; row < frame.rows; ++row)
	{
		const cv::Vec3b* colour = frame.ptr<cv::Vec3b>(row);
		uchar* sensed = raw.ptr<uchar>(row);
		for (int col = 0; col < frame.cols; ++col)
		{
			sensed[col] = colour[col][mosaicChannel(row, col)];
		}
	}
	cv::demosaicing(raw, frame, mosaicInterpolation);
}

void sharpenBrightness(cv::Mat& frame, double amount, double radius)
{
	CV_Assert(frame.type() == CV_8UC3);
	if (amount <= 0.0)
	{
		return;
	}
	cv::Mat ycrcb;
	cv::cvtColor(frame, ycrcb, cv::COLOR_BGR2YCrCb);
	std::vector<cv::Mat> planes;
	cv::split(ycrcb, planes);
	cv::Mat luma, blurred;
	planes[0].convertTo(luma, CV_32F);
	cv::GaussianBlur(luma, blurred, cv::Size(), radius);
	cv::addWeighted(luma, 1.0 + amount, blurred, -amount, 0.0, luma);
	luma.convertTo(planes[0], CV_8U);
	cv::merge(planes, ycrcb);
	cv::cvtColor(ycrcb, frame, cv::COLOR_YCrCb2BGR);
}
