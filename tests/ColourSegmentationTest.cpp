#include "AnalysisTestSupport.h"

#include <gtest/gtest.h>

namespace
{

/// A BGR colour whose YCrCb conversion is exactly (y, cr, cb), searched
/// around the inverse conversion.
cv::Vec3b bgrFor(int y, int cr, int cb)
{
	cv::Mat colour(1, 1, CV_8UC3, cv::Scalar(y, cr, cb)), back;
	cv::cvtColor(colour, colour, cv::COLOR_YCrCb2BGR);
	const cv::Vec3i guess = colour.at<cv::Vec3b>(0, 0);
	for (int i = 0; i < 7 * 7 * 7; ++i)
	{
		const cv::Vec3i step(i % 7 - 3, i / 7 % 7 - 3, i / 49 - 3);
		colour.at<cv::Vec3b>(0, 0) = cv::Vec3b(cv::saturate_cast<uchar>(guess[0] + step[0]),
			cv::saturate_cast<uchar>(guess[1] + step[1]), cv::saturate_cast<uchar>(guess[2] + step[2]));
		cv::cvtColor(colour, back, cv::COLOR_BGR2YCrCb);
		if (back.at<cv::Vec3b>(0, 0) == cv::Vec3b(uchar(y), uchar(cr), uchar(cb)))
		{
			return colour.at<cv::Vec3b>(0, 0);
		}
	}
	ADD_FAILURE() << "no BGR colour for " << y << " " << cr << " " << cb;
	return {};
}

/// The three masks' values at the board's corner pixel (never thinned away)
/// for a board all of one YCrCb colour: black, red, yellow.
std::vector<int> inkAt(int y, int cr, int cb)
{
	const cv::Vec3b bgr = bgrFor(y, cr, cb);
	InkRig rig;
	rig.setBoard(cv::Mat(480, 640, CV_8UC3, cv::Scalar(bgr[0], bgr[1], bgr[2])));
	segmentColours(rig.ink, rig.display);
	return {rig.ink.blackMask.at<uchar>(0, 0), rig.ink.redMask.at<uchar>(0, 0),
		rig.ink.yellowMask.at<uchar>(0, 0)};
}

TEST(ColourSegmentation, BoundsIncludeTheirEdgesAndRedWinsOverYellow)
{
	EXPECT_EQ(inkAt(150, 135, 135), (std::vector<int>{255, 0, 0}));
	EXPECT_EQ(inkAt(151, 135, 135)[0], 0);
	EXPECT_EQ(inkAt(150, 136, 135)[0], 0);
	EXPECT_EQ(inkAt(140, 150, 100), (std::vector<int>{0, 255, 0}));
	EXPECT_EQ(inkAt(160, 150, 100), (std::vector<int>{0, 0, 255}));
}

TEST(ColourSegmentation, StrokesAreThinnedButSkewbinaryShowsThemAsDrawn)
{
	InkRig rig;
	cv::Mat board = blankBoard();
	cv::line(board, cv::Point(100, 100), cv::Point(400, 100), blackPen, 7);
	cv::line(board, cv::Point(100, 300), cv::Point(400, 300), yellowPen, 7);
	rig.setBoard(board);
	segmentColours(rig.ink, rig.display);
	EXPECT_GT(cv::countNonZero(rig.shown("skewbinary")), 300 * 7);
	EXPECT_NEAR(cv::countNonZero(rig.ink.blackMask.rowRange(0, 200)), 300, 15);  // one pixel wide
	EXPECT_NEAR(cv::countNonZero(rig.ink.yellowMask.rowRange(200, 480)), 300, 15);
	EXPECT_EQ(cv::countNonZero(rig.ink.blackMask) + cv::countNonZero(rig.ink.yellowMask),
		cv::countNonZero(rig.ink.blackMask.rowRange(0, 200)) +
			cv::countNonZero(rig.ink.yellowMask.rowRange(200, 480)));

	rig.setBoard(cv::Mat());  // no board rectified yet: no ink, no contours
	segmentColours(rig.ink, rig.display);
	extractBlackContours(rig.ink, rig.display);
	EXPECT_TRUE(rig.ink.blackMask.empty());
	EXPECT_TRUE(rig.ink.blackContours.empty());
}

TEST(ColourSegmentation, APalePensLineIsYellowAndAStrongerLinesPaleFringeLeavesItAsItWas)
{
	// As a webcam shows them on paper reading 240: the middle of a pale
	// green-yellow highlighter's line, far less saturated than the pen, and
	// beside a highlighter's line the little of its colour the camera
	// spread over the paper, here on one side only.
	const cv::Scalar paleLine(183, 230, 224), fringe(210, 240, 244);
	cv::Mat board(480, 640, CV_8UC3, cv::Scalar::all(240));
	cv::line(board, cv::Point(100, 100), cv::Point(400, 100), paleLine, 7);
	cv::line(board, cv::Point(100, 300), cv::Point(400, 300), yellowPen, 5);
	InkRig rig;
	rig.setBoard(board.clone());
	segmentColours(rig.ink, rig.display);
	EXPECT_NEAR(cv::countNonZero(rig.ink.yellowMask.rowRange(0, 200)), 300, 15) << "the pale line";
	const cv::Mat strongLine = rig.ink.yellowMask.rowRange(200, 480).clone();

	cv::rectangle(board, cv::Point(100, 304), cv::Point(400, 305), fringe, cv::FILLED);
	rig.setBoard(board);
	segmentColours(rig.ink, rig.display);
	EXPECT_EQ(cv::countNonZero(rig.ink.yellowMask.rowRange(200, 480) != strongLine), 0) << "moved by its fringe";
}

}  // namespace
