#include "AnalysisTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using Contour = std::vector<cv::Point>;

TEST(ContourExtraction, EmptyMaskGivesNoContourAndABlackPictureThatIsStillShown)
{
	ScannerRig rig;
	rig.scanner.blackMask = cv::Mat::zeros(480, 640, CV_8UC1);
	rig.scanner.blackContours = {Contour{{1, 1}}};  // the list is replaced
	rig.scanner.extractBlackContours();
	EXPECT_TRUE(rig.scanner.blackContours.empty());
	const cv::Mat& shown = rig.shown("cont");
	EXPECT_EQ(shown.size(), cv::Size(640, 480));
	EXPECT_EQ(shown.type(), CV_8UC3);
	EXPECT_EQ(cv::countNonZero(shown.reshape(1)), 0);
}

TEST(ContourExtraction, PixelStrokeAndRingGiveTheirBorders)
{
	ScannerRig rig;
	rig.scanner.blackMask = cv::Mat::zeros(480, 640, CV_8UC1);
	rig.scanner.blackMask.at<uchar>(300, 500) = 255;
	cv::line(rig.scanner.blackMask, cv::Point(10, 10), cv::Point(50, 10), 255);
	rig.scanner.extractBlackContours();
	ASSERT_EQ(rig.scanner.blackContours.size(), 2u);
	// Straight runs are reduced to their end points; the contour is closed, so
	// it goes along the stroke and back.
	EXPECT_EQ(rig.scanner.blackContours[0], (Contour{{500, 300}}));
	EXPECT_EQ(rig.scanner.blackContours[1], (Contour{{10, 10}, {50, 10}}));

	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractBlackContours();
	ASSERT_EQ(rig.scanner.blackContours.size(), 2u);  // outer border and hole border
	EXPECT_EQ(rig.scanner.hierarchy.size(), 2u);
	const Contour& outer = rig.scanner.blackContours[0];
	const Contour& hole = rig.scanner.blackContours[1];
	EXPECT_NEAR(cv::boundingRect(outer).width, 2 * ringRadius, 3);
	// On a one-pixel ring both borders run over the same pixels, in opposite directions.
	EXPECT_LT(cv::contourArea(outer, true) * cv::contourArea(hole, true), 0.0);
}

TEST(ContourExtraction, PictureHasTheBoardSizeWhateverTheCamera)
{
	ScannerRig rig;
	rig.scanner.cameraFrame = cv::Mat(240, 320, CV_8UC3);
	rig.scanner.blackMask = cv::Mat::zeros(480, 640, CV_8UC1);
	cv::line(rig.scanner.blackMask, cv::Point(400, 400), cv::Point(600, 450), 255);
	rig.scanner.extractBlackContours();
	ASSERT_EQ(rig.scanner.contourImage.size(), cv::Size(640, 480));
	EXPECT_GT(cv::countNonZero(rig.scanner.contourImage.rowRange(400, 451).reshape(1)), 0);
}

TEST(ContourExtraction, ColoursFollowEachScannersOwnGenerator)
{
	const auto contourColours = [](ScannerRig& rig) {
		rig.scanner.blackMask = cv::Mat::zeros(480, 640, CV_8UC1);
		rig.scanner.blackMask.at<uchar>(10, 10) = 255;
		rig.scanner.blackMask.at<uchar>(100, 10) = 255;
		rig.scanner.extractBlackContours();
		std::vector<cv::Vec3b> colours;  // in contour order
		for (const Contour& contour : rig.scanner.blackContours)
		{
			colours.push_back(rig.scanner.contourImage.at<cv::Vec3b>(contour[0]));
		}
		return colours;
	};
	ScannerRig first;
	const auto firstColours = contourColours(first);
	const auto laterColours = contourColours(first);
	ScannerRig second;
	EXPECT_EQ(contourColours(second), firstColours);  // a new scanner starts over
	EXPECT_NE(laterColours, firstColours);            // and one scanner never does

	// Three draws per contour, the first of them red.
	cv::RNG rng(1235);
	const int red = rng.uniform(0, 255), green = rng.uniform(0, 255), blue = rng.uniform(0, 255);
	EXPECT_EQ(firstColours[0], cv::Vec3b(uchar(blue), uchar(green), uchar(red)));
}

TEST(ContourExtraction, YellowContoursComeFromTheYellowMaskOnly)
{
	ScannerRig rig;
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), yellowPen);
	drawStroke(board, cv::Point(400, 100), cv::Point(500, 100));
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractColourContours();
	ASSERT_EQ(rig.scanner.yellowContours.size(), 2u);
	EXPECT_NEAR(cv::boundingRect(rig.scanner.yellowContours[0]).x, 200 - ringRadius, 2);
}

}  // namespace
