#include "calibration/LitFrames.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <vector>

namespace
{

/// The projected light is stretched so that this share of it stays below white.
constexpr double stretchQuantile = 0.995;

/// Grey levels a pixel must gain to count as lit by the projector's white,
/// and the fewest lit pixels that say what white paper gains.
constexpr int litGain = 20;
constexpr size_t litPixelsAtLeast = 100;

}  // namespace

cv::Mat largestChannel(const cv::Mat& bgr)
{
	CV_Assert(bgr.type() == CV_8UC3);
	cv::Mat channels[3];
	cv::split(bgr, channels);
	return cv::max(cv::max(channels[0], channels[1]), channels[2]);
}

cv::Mat projectedLight(const cv::Mat& litFrame, const cv::Mat& darkFrame)
{
	CV_Assert(litFrame.type() == CV_8UC3 && darkFrame.type() == CV_8UC3 && litFrame.size() == darkFrame.size());
	cv::Mat added;
	cv::subtract(litFrame, darkFrame, added);
	cv::Mat light = largestChannel(added);

	int histogram[256] = {};
	for (auto it = light.begin<uchar>(); it != light.end<uchar>(); ++it)
	{
		histogram[*it] += 1;
	}
	const double below = stretchQuantile * double(light.total());
	double counted = 0.0;
	int top = 0;
	while (top < 255 && (counted += histogram[top]) < below)
	{
		++top;
	}
	if (top > 0)
	{
		light.convertTo(light, CV_8U, 255.0 / top);
	}
	return light;
}

CharucoView placeOnChessboard(const CharucoView& named, const cv::Mat& chessboardLight)
{
	CharucoView placed;
	if (named.corners.size() < 2 || chessboardLight.empty())
	{
		return placed;
	}
	// The search window reaches a third of the way to the nearest corner, so
	// it holds the corner's four squares and nothing else.
	for (size_t i = 0; i < named.corners.size(); ++i)
	{
		double nearest = 1e9;
		for (size_t j = 0; j < named.corners.size(); ++j)
		{
			if (j != i)
			{
				nearest = std::min(nearest, double(cv::norm(named.corners[i] - named.corners[j])));
			}
		}
		const int half = int(nearest / 3.0);
		const cv::Point2f p = named.corners[i];
		if (half < 2 || p.x < half + 1 || p.y < half + 1 || p.x >= chessboardLight.cols - half - 1
			|| p.y >= chessboardLight.rows - half - 1)
		{
			continue;
		}
		std::vector<cv::Point2f> one = {p};
		cv::cornerSubPix(chessboardLight, one, cv::Size(half, half), cv::Size(-1, -1),
			cv::TermCriteria(cv::TermCriteria::EPS + cv::TermCriteria::COUNT, 40, 0.001));
		// A corner that wanders far was not a corner of the chessboard there.
		if (cv::norm(one[0] - p) <= half / 2.0)
		{
			placed.corners.push_back(one[0]);
			placed.ids.push_back(named.ids[i]);
		}
	}
	return placed;
}

cv::Vec3d paperLightOf(const cv::Mat& litFrame, const cv::Mat& darkFrame)
{
	const cv::Vec3d unknown(255.0, 255.0, 255.0);
	if (litFrame.empty() || litFrame.size() != darkFrame.size() || litFrame.type() != CV_8UC3
		|| darkFrame.type() != CV_8UC3)
	{
		return unknown;
	}
	cv::Mat gained;
	cv::subtract(litFrame, darkFrame, gained);
	const cv::Mat lit = largestChannel(gained) > litGain;
	cv::Mat channels[3];
	cv::split(gained, channels);
	cv::Vec3d light;
	for (int c = 0; c < 3; ++c)
	{
		std::vector<uchar> values;
		for (int y = 0; y < lit.rows; ++y)
		{
			for (int x = 0; x < lit.cols; ++x)
			{
				if (lit.at<uchar>(y, x) != 0)
				{
					values.push_back(channels[c].at<uchar>(y, x));
				}
			}
		}
		if (values.size() < litPixelsAtLeast)
		{
			return unknown;
		}
		const auto at = values.begin() + long(values.size() * 95 / 100);
		std::nth_element(values.begin(), at, values.end());
		light[c] = std::max(1.0, double(*at));
	}
	return light;
}
