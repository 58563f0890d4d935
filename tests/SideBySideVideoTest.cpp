#include "render/SideBySideVideo.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace
{

TEST(SideBySideVideo, OneFrameEachAddWhateverTheViews)
{
	const std::string path = "side_by_side_test.avi";
	{
		SideBySideVideo video;
		std::string error;
		ASSERT_TRUE(video.open(path, error)) << error;
		const cv::Mat colour(480, 640, CV_8UC3, cv::Scalar(0, 0, 255));
		video.addFrame(colour, colour);
		// No picture yet, a grey one and one of another size.
		video.addFrame(cv::Mat(), cv::Mat(480, 640, CV_8UC1, cv::Scalar(200)));
		video.addFrame(cv::Mat(100, 50, CV_8UC3, cv::Scalar(255, 0, 0)), colour);
		EXPECT_EQ(video.frameCount(), 3);
	}
	cv::VideoCapture reading(path);
	ASSERT_TRUE(reading.isOpened());
	std::vector<cv::Mat> frames;
	for (cv::Mat frame; reading.read(frame);)
	{
		frames.push_back(frame.clone());
	}
	std::remove(path.c_str());
	ASSERT_EQ(frames.size(), 3u);
	EXPECT_EQ(frames[0].size(), cv::Size(1280, 480));
	// Left black, right grey (compressed, so only roughly).
	EXPECT_LT(cv::mean(frames[1].colRange(0, 640))[0], 10.0);
	EXPECT_NEAR(cv::mean(frames[1].colRange(640, 1280))[1], 200.0, 10.0);
	EXPECT_NEAR(cv::mean(frames[2].colRange(0, 640))[0], 255.0, 10.0);
}

TEST(SideBySideVideo, AnUnwritablePlaceIsNamed)
{
	SideBySideVideo video;
	std::string error;
	EXPECT_FALSE(video.open("no/such/dir/v.avi", error));
	EXPECT_EQ(error.rfind("no/such/dir/v.avi: ", 0), 0u) << error;
	video.addFrame(cv::Mat(), cv::Mat());
	EXPECT_EQ(video.frameCount(), 0);
}

}  // namespace
