#include "AnalysisTestSupport.h"

#include <gtest/gtest.h>

namespace
{

/// Segment a board that is all one YCrCb colour; returns false if no BGR
/// colour converts to it exactly.
bool segmentUniform(ScannerRig& rig, int y, int cr, int cb)
{
	const std::vector<cv::Vec3b> bgr = bgrForYCrCb(y, cr, cb);
	if (bgr.empty())
	{
		return false;
	}
	rig.setBoard(cv::Mat(480, 640, CV_8UC3, cv::Scalar(bgr[0][0], bgr[0][1], bgr[0][2])));
	rig.scanner.segmentColours();
	return true;
}

/// Is the middle of the mask set? (Thinning leaves a uniform mask's inside
/// alone only at the border, so the unthinned red mask or the border is read.)
bool setAtBorder(const cv::Mat& mask)
{
	return mask.at<uchar>(0, 0) == 255;
}

TEST(ColourSegmentation, BlackBoundsIncludeTheirEdges)
{
	ScannerRig rig;
	ASSERT_TRUE(segmentUniform(rig, 150, 135, 135));
	EXPECT_TRUE(setAtBorder(rig.scanner.blackMask));
	EXPECT_EQ(cv::countNonZero(rig.shown("skewbinary")), 640 * 480);
	ASSERT_TRUE(segmentUniform(rig, 151, 135, 135));
	EXPECT_EQ(cv::countNonZero(rig.shown("skewbinary")), 0);
	ASSERT_TRUE(segmentUniform(rig, 150, 136, 135));
	EXPECT_EQ(cv::countNonZero(rig.shown("skewbinary")), 0);
}

TEST(ColourSegmentation, RedWinsWhereRedAndYellowOverlap)
{
	ScannerRig rig;
	ASSERT_TRUE(segmentUniform(rig, 140, 150, 100));
	EXPECT_EQ(cv::countNonZero(rig.scanner.redMask), 640 * 480);  // red is not thinned
	EXPECT_EQ(cv::countNonZero(rig.scanner.yellowMask), 0);
	ASSERT_TRUE(segmentUniform(rig, 160, 150, 100));
	EXPECT_EQ(cv::countNonZero(rig.scanner.redMask), 0);
	EXPECT_TRUE(setAtBorder(rig.scanner.yellowMask));
}

TEST(ColourSegmentation, StrokesAreThinnedButSkewbinaryShowsThemAsDrawn)
{
	ScannerRig rig;
	cv::Mat board = blankBoard();
	cv::line(board, cv::Point(100, 100), cv::Point(400, 100), blackPen, 7);
	cv::line(board, cv::Point(100, 300), cv::Point(400, 300), yellowPen, 7);
	rig.setBoard(board);
	rig.scanner.segmentColours();

	const cv::Mat& shown = rig.shown("skewbinary");
	EXPECT_GT(cv::countNonZero(shown), 300 * 7);
	const int black = cv::countNonZero(rig.scanner.blackMask);
	EXPECT_GT(black, 280);
	EXPECT_LT(black, 320);  // one pixel wide
	const int yellow = cv::countNonZero(rig.scanner.yellowMask);
	EXPECT_GT(yellow, 280);
	EXPECT_LT(yellow, 320);
	// Each ink lands in its own mask only; paper in none.
	EXPECT_EQ(cv::countNonZero(rig.scanner.blackMask.rowRange(200, 480)), 0);
	EXPECT_EQ(cv::countNonZero(rig.scanner.yellowMask.rowRange(0, 200)), 0);
	EXPECT_EQ(cv::countNonZero(rig.scanner.redMask), 0);
}

TEST(ColourSegmentation, NoBoardYetGivesEmptyMasks)
{
	ScannerRig rig;
	rig.scanner.segmentColours();
	EXPECT_TRUE(rig.scanner.blackMask.empty());
	EXPECT_TRUE(rig.scanner.yellowMask.empty());
	rig.scanner.extractBlackContours();
	EXPECT_TRUE(rig.scanner.blackContours.empty());
}

}  // namespace
