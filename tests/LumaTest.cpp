#include "colour/Luma.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

// Luma and the colour differences computed by hand agree with what OpenCV's
// conversions give for the same colours, which the ink ranges are read in.

namespace
{

TEST(Luma, AgreesWithOpenCVsGreyAndYCrCb)
{
	cv::Mat colours(1, 512, CV_8UC3);
	cv::randu(colours, cv::Scalar::all(0), cv::Scalar::all(256));
	// The primaries and their mixes, at the top and halfway.
	for (int i = 0; i < 16; ++i)
	{
		const double level = i < 8 ? 255.0 : 128.0;
		colours.at<cv::Vec3b>(i) = cv::Vec3b(uchar((i & 1) * level), uchar((i >> 1 & 1) * level), uchar((i >> 2 & 1) * level));
	}
	cv::Mat grey, ycrcb;
	cv::cvtColor(colours, grey, cv::COLOR_BGR2GRAY);
	cv::cvtColor(colours, ycrcb, cv::COLOR_BGR2YCrCb);
	for (int i = 0; i < colours.cols; ++i)
	{
		const cv::Vec3b bgr = colours.at<cv::Vec3b>(i);
		const double y = lumaOf(cv::Vec3d(bgr));
		EXPECT_NEAR(y, grey.at<uchar>(i), 0.5 + 1e-9) << bgr;
		EXPECT_NEAR(lumaTimes256(bgr) / 256.0, y, 0.5) << bgr;
		const cv::Vec3b opencv = ycrcb.at<cv::Vec3b>(i);
		EXPECT_NEAR(y, opencv[0], 0.5 + 1e-9) << bgr;
		// OpenCV takes the colour differences from the rounded luma.
		EXPECT_NEAR(128.0 + crScale * (bgr[2] - y), opencv[1], 1.0) << bgr;
		EXPECT_NEAR(128.0 + cbScale * (bgr[0] - y), opencv[2], 1.0) << bgr;
	}
}

}  // namespace
