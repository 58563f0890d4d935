#include "AnalysisTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using Contour = std::vector<cv::Point>;

TEST(ContourExtraction, EmptyMaskPixelStrokeAndRing)
{
	InkRig rig;
	rig.ink.blackMask = cv::Mat::zeros(480, 640, CV_8UC1);
	extractBlackContours(rig.ink, rig.display);
	EXPECT_TRUE(rig.ink.blackContours.empty());
	ASSERT_EQ(rig.shown("cont").size(), cv::Size(640, 480));
	EXPECT_EQ(cv::countNonZero(rig.shown("cont").reshape(1)), 0);

	// Straight runs keep only their end points, so a stroke is its two ends.
	rig.ink.blackMask.at<uchar>(300, 500) = 255;
	cv::line(rig.ink.blackMask, cv::Point(10, 10), cv::Point(50, 10), 255);
	extractBlackContours(rig.ink, rig.display);
	EXPECT_EQ(rig.ink.blackContours, (std::vector<Contour>{{{500, 300}}, {{10, 10}, {50, 10}}}));
	EXPECT_GT(cv::countNonZero(rig.ink.contourImage.row(300).reshape(1)), 0);

	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	rig.setBoard(board);
	segmentColours(rig.ink, rig.display);
	extractBlackContours(rig.ink, rig.display);
	ASSERT_EQ(rig.ink.blackContours.size(), 2u);
	// Outer border and hole border run over the same thin ring, in opposite directions.
	EXPECT_LT(cv::contourArea(rig.ink.blackContours[0], true) *
			cv::contourArea(rig.ink.blackContours[1], true), 0.0);
	extractColourContours(rig.ink);
	EXPECT_TRUE(rig.ink.yellowContours.empty());
}

TEST(ContourExtraction, ColoursComeFromEachScannersOwnGenerator)
{
	const auto firstColour = [](InkRig& rig) {
		rig.ink.blackMask = cv::Mat::zeros(480, 640, CV_8UC1);
		rig.ink.blackMask.at<uchar>(10, 10) = 255;
		extractBlackContours(rig.ink, rig.display);
		return rig.ink.contourImage.at<cv::Vec3b>(10, 10);
	};
	InkRig one, other;
	const cv::Vec3b first = firstColour(one);
	EXPECT_NE(firstColour(one), first);    // never reset
	EXPECT_EQ(firstColour(other), first);  // but not shared
	cv::RNG rng(1235);                      // three draws, red first
	const int red = rng.uniform(0, 255), green = rng.uniform(0, 255), blue = rng.uniform(0, 255);
	EXPECT_EQ(first, cv::Vec3b(uchar(blue), uchar(green), uchar(red)));
}

}  // namespace
