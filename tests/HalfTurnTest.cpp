#include "render/HalfTurn.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace
{

/// The half turn as OpenCV's rotation about the centre makes it.
cv::Mat turnedByWarp(const cv::Mat& image)
{
	const cv::Point2f centre(float(image.cols * 0.5), float(image.rows * 0.5));
	cv::Mat turned;
	cv::warpAffine(image, turned, cv::getRotationMatrix2D(centre, 180.0, 1.0), image.size(), cv::INTER_LINEAR,
		cv::BORDER_CONSTANT, cv::Scalar());
	return turned;
}

TEST(HalfTurn, IsTheImageOfOpenCVsRotation)
{
	cv::RNG rng(5);
	const std::vector<cv::Size> sizes = {{640, 480}, {641, 479}, {7, 5}, {2, 2}, {1, 9}};
	for (const cv::Size size : sizes)
	{
		for (const int type : {CV_8UC3, CV_8UC1})
		{
			cv::Mat image(size, type);
			rng.fill(image, cv::RNG::UNIFORM, 0, 256);
			const cv::Mat reference = turnedByWarp(image);
			const cv::Mat turned = halfTurned(image);
			ASSERT_EQ(turned.size(), reference.size());
			ASSERT_EQ(turned.type(), reference.type());
			EXPECT_EQ(cv::norm(turned, reference, cv::NORM_INF), 0.0) << size << " type " << type;
		}
	}
}

}  // namespace
