#include "AnalysisTestSupport.h"

#include "analysis/ColourRanges.h"
#include "analysis/GapClosing.h"
#include "analysis/Thinning.h"
#include "colour/PaperWhite.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

// The paper's white read off a board, and the yellow mask's small repairs.
// What the mapping does to whole boards in many rooms is the room matrix's.

namespace
{

/// A rectified board as a neutral camera sees it: paper, black and yellow
/// rings and strokes, marker-like black squares at the corners.
cv::Mat neutralBoard()
{
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	drawRing(board, cv::Point(420, 260), yellowPen);
	drawStroke(board, cv::Point(100, 400), cv::Point(500, 420));
	for (const cv::Point corner : {cv::Point(0, 0), cv::Point(590, 0), cv::Point(0, 430), cv::Point(590, 430)})
	{
		cv::rectangle(board, cv::Rect(corner, cv::Size(50, 50)), blackPen, cv::FILLED);
	}
	return board;
}

/// The board under a room's light: per channel gains times a level that
/// falls off from left to right and towards the corners.
cv::Mat lit(const cv::Mat& board, cv::Vec3d cast, double level, double falloff, double vignetting)
{
	cv::Mat out = board.clone();
	const cv::Point2d centre(board.cols / 2.0, board.rows / 2.0);
	for (int y = 0; y < board.rows; ++y)
	{
		for (int x = 0; x < board.cols; ++x)
		{
			const double r2 = ((x - centre.x) * (x - centre.x) + (y - centre.y) * (y - centre.y))
				/ (centre.x * centre.x + centre.y * centre.y);
			const double light = level * (1.0 - falloff * x / board.cols) * (1.0 - vignetting * r2);
			cv::Vec3b& p = out.at<cv::Vec3b>(y, x);
			for (int c = 0; c < 3; ++c)
			{
				p[c] = cv::saturate_cast<uchar>(p[c] * cast[c] * light);
			}
		}
	}
	return out;
}

cv::Mat everywhere(const cv::Mat& board)
{
	return cv::Mat(board.size(), CV_8UC1, cv::Scalar(255));
}

/// Pixels of `board` in a colour class, counted where `where` is set.
int inRange(const cv::Mat& board, const ColourRange& range, const cv::Mat& where)
{
	cv::Mat ycrcb, mask;
	cv::cvtColor(board, ycrcb, cv::COLOR_BGR2YCrCb);
	cv::inRange(ycrcb, range.lower(), range.upper(), mask);
	return cv::countNonZero(mask & where);
}

TEST(PaperWhite, ANeutralBrightBoardIsLeftExactlyAsItIs)
{
	const cv::Mat board = neutralBoard();
	for (const cv::Vec3d& cast : {cv::Vec3d(1, 1, 1), cv::Vec3d(0.99, 1.0, 1.0)})
	{
		cv::Mat read = lit(board, cast, 0.96, 0.1, 0.0);
		const cv::Mat before = read.clone();
		const PaperWhite white = PaperWhite::readAsNeutral(read, everywhere(read));
		EXPECT_TRUE(white.found());
		EXPECT_TRUE(white.readsNeutral());
		EXPECT_EQ(cv::norm(read, before, cv::NORM_INF), 0.0);
	}
}

TEST(PaperWhite, AHandOverAQuarterOfTheBoardNeitherShiftsThePaperNorStopsBeingSkin)
{
	cv::Mat board = neutralBoard();
	const cv::Scalar skin(90, 130, 200);
	cv::circle(board, cv::Point(330, 250), 120, skin, cv::FILLED);
	cv::rectangle(board, cv::Rect(240, 250, 180, 230), skin, cv::FILLED);
	const int skinSeen = inRange(board, skinColour, everywhere(board));
	ASSERT_GT(skinSeen, 640 * 480 / 5);
	const cv::Vec3d warm(0.5, 0.78, 1.0);
	cv::Mat read = lit(board, warm, 0.9, 0.0, 0.0);
	const PaperWhite white = PaperWhite::readAsNeutral(read, everywhere(read));
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(white.at(cv::Point2d(100, 100))[c], 255.0 * warm[c] * 0.9, 255.0 * warm[c] * 0.9 * 0.03) << c;
	}
	EXPECT_GE(inRange(read, skinColour, everywhere(read)), skinSeen * 9 / 10);
}

TEST(PaperWhite, TooLittlePaperIsNoPaperAndChangesNothing)
{
	cv::Mat dark(480, 640, CV_8UC3, cv::Scalar(20, 30, 40));
	cv::rectangle(dark, cv::Rect(0, 0, 100, 100), cv::Scalar(250, 250, 250), cv::FILLED);
	const cv::Mat before = dark.clone();
	cv::Mat nowhere(dark.size(), CV_8UC1, cv::Scalar(0));
	EXPECT_FALSE(PaperWhite::readAsNeutral(dark, nowhere).found());
	cv::rectangle(nowhere, cv::Rect(0, 0, 100, 100), cv::Scalar(255), cv::FILLED);
	EXPECT_FALSE(PaperWhite::readAsNeutral(dark, nowhere).found());
	EXPECT_EQ(cv::norm(dark, before, cv::NORM_INF), 0.0);
}

/// A thinned ring of radius 28 with the arc from `from` to `to` degrees missing.
cv::Mat thinnedRing(double from = 0.0, double to = 0.0)
{
	cv::Mat mask(200, 200, CV_8UC1, cv::Scalar(0));
	cv::ellipse(mask, cv::Point(100, 100), cv::Size(28, 28), 0.0, to, from + 360.0, cv::Scalar(255), 4);
	thinMask(mask);
	return mask;
}

int closedRings(const cv::Mat& skeleton)
{
	std::vector<std::vector<cv::Point>> contours;
	std::vector<cv::Vec4i> hierarchy;
	cv::findContours(skeleton.clone(), contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
	int holes = 0;
	for (const cv::Vec4i& h : hierarchy)
	{
		holes += h[3] >= 0 ? 1 : 0;
	}
	return holes;
}

TEST(GapClosing, ARingThatNearlyMeetsItselfIsClosedAndNothingElseIsTouched)
{
	// A closed ring is left exactly as it is.
	cv::Mat ring = thinnedRing();
	const cv::Mat closed = ring.clone();
	EXPECT_EQ(closeSmallGaps(ring, 20.0), 0);
	EXPECT_EQ(cv::norm(ring, closed, cv::NORM_INF), 0.0);

	// A gap of about 15 pixels is closed; one of about 35 is not.
	cv::Mat open = thinnedRing(-15.0, 15.0);
	ASSERT_EQ(closedRings(open), 0);
	EXPECT_EQ(closeSmallGaps(open, 20.0), 1);
	EXPECT_EQ(closedRings(open), 1);
	cv::Mat wide = thinnedRing(-36.0, 36.0);
	EXPECT_EQ(closeSmallGaps(wide, 20.0), 0);

	// Two arcs of a ring broken twice become one ring.
	cv::Mat broken = thinnedRing(-10.0, 10.0);
	cv::ellipse(broken, cv::Point(100, 100), cv::Size(28, 28), 0.0, 170.0, 190.0, cv::Scalar(0), 3);
	EXPECT_EQ(closeSmallGaps(broken, 20.0), 2);
	EXPECT_EQ(closedRings(broken), 1);

	// A short line's two ends, and a spur beside the tip it branches from,
	// are not gaps.
	cv::Mat lines(100, 100, CV_8UC1, cv::Scalar(0));
	cv::line(lines, cv::Point(10, 10), cv::Point(20, 10), cv::Scalar(255));
	cv::line(lines, cv::Point(40, 60), cv::Point(90, 60), cv::Scalar(255));
	cv::line(lines, cv::Point(88, 60), cv::Point(90, 57), cv::Scalar(255));
	const cv::Mat before = lines.clone();
	EXPECT_EQ(closeSmallGaps(lines, 20.0), 0);
	EXPECT_EQ(cv::norm(lines, before, cv::NORM_INF), 0.0);
}

TEST(GapClosing, PinholesAreFilledAndTheRingsOwnHoleIsNot)
{
	cv::Mat mask(100, 100, CV_8UC1, cv::Scalar(0));
	cv::circle(mask, cv::Point(50, 50), 28, cv::Scalar(255), 6);
	mask.at<uchar>(50, 22) = 0;
	mask.at<uchar>(78, 50) = 0;
	mask.at<uchar>(79, 50) = 0;
	EXPECT_EQ(fillPinholes(mask, 4.0), 2);
	EXPECT_EQ(mask.at<uchar>(50, 22), 255);
	EXPECT_EQ(mask.at<uchar>(50, 50), 0);
}

}  // namespace
