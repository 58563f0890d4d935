#include "AnalysisTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using Contour = std::vector<cv::Point>;

TEST(ContourExtraction, EmptyMaskPixelStrokeAndRing)
{
	ScannerRig rig;
	rig.scanner.cameraFrame = cv::Mat(240, 320, CV_8UC3);  // the picture still takes the board's size
	rig.scanner.blackMask = cv::Mat::zeros(480, 640, CV_8UC1);
	rig.scanner.extractBlackContours();
	EXPECT_TRUE(rig.scanner.blackContours.empty());
	ASSERT_EQ(rig.shown("cont").size(), cv::Size(640, 480));
	EXPECT_EQ(cv::countNonZero(rig.shown("cont").reshape(1)), 0);

	// Straight runs keep only their end points, so a stroke is its two ends.
	rig.scanner.blackMask.at<uchar>(300, 500) = 255;
	cv::line(rig.scanner.blackMask, cv::Point(10, 10), cv::Point(50, 10), 255);
	rig.scanner.extractBlackContours();
	EXPECT_EQ(rig.scanner.blackContours, (std::vector<Contour>{{{500, 300}}, {{10, 10}, {50, 10}}}));
	EXPECT_GT(cv::countNonZero(rig.scanner.contourImage.row(300).reshape(1)), 0);

	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractBlackContours();
	ASSERT_EQ(rig.scanner.blackContours.size(), 2u);
	// Outer border and hole border run over the same thin ring, in opposite directions.
	EXPECT_LT(cv::contourArea(rig.scanner.blackContours[0], true) *
			cv::contourArea(rig.scanner.blackContours[1], true), 0.0);
	rig.scanner.extractColourContours();
	EXPECT_TRUE(rig.scanner.yellowContours.empty());
}

TEST(ContourExtraction, ColoursComeFromEachScannersOwnGenerator)
{
	const auto firstColour = [](ScannerRig& rig) {
		rig.scanner.blackMask = cv::Mat::zeros(480, 640, CV_8UC1);
		rig.scanner.blackMask.at<uchar>(10, 10) = 255;
		rig.scanner.extractBlackContours();
		return rig.scanner.contourImage.at<cv::Vec3b>(10, 10);
	};
	ScannerRig one, other;
	const cv::Vec3b first = firstColour(one);
	EXPECT_NE(firstColour(one), first);    // never reset
	EXPECT_EQ(firstColour(other), first);  // but not shared
	cv::RNG rng(1235);                      // three draws, red first
	const int red = rng.uniform(0, 255), green = rng.uniform(0, 255), blue = rng.uniform(0, 255);
	EXPECT_EQ(first, cv::Vec3b(uchar(blue), uchar(green), uchar(red)));
}

}  // namespace
