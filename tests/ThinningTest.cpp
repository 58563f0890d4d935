#include "analysis/Thinning.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc.hpp>

namespace
{

cv::Mat emptyMask(int rows = 60, int cols = 80)
{
	return cv::Mat::zeros(rows, cols, CV_8UC1);
}

bool sameImage(const cv::Mat& a, const cv::Mat& b)
{
	return a.size() == b.size() && a.type() == b.type() && cv::countNonZero(a != b) == 0;
}

/// Number of set pixels with more than two set neighbours in a 2 x 2 block:
/// a one-pixel-wide figure has no fully set 2 x 2 block.
int fullBlocks(const cv::Mat& mask)
{
	int count = 0;
	for (int y = 0; y + 1 < mask.rows; ++y)
		for (int x = 0; x + 1 < mask.cols; ++x)
		{
			count += (mask.at<uchar>(y, x) && mask.at<uchar>(y + 1, x) && mask.at<uchar>(y, x + 1) &&
				mask.at<uchar>(y + 1, x + 1)) ? 1 : 0;
		}
	return count;
}

TEST(Thinning, EmptyMaskStaysEmptyAfterOneRound)
{
	cv::Mat image = emptyMask();
	thinningSubIteration(image, 0);
	thinningSubIteration(image, 1);
	EXPECT_EQ(cv::countNonZero(image), 0);
	cv::Mat mask = emptyMask();
	thinMask(mask);
	EXPECT_EQ(cv::countNonZero(mask), 0);
	cv::Mat nothing;
	thinMask(nothing);  // no image at all is left alone
	EXPECT_TRUE(nothing.empty());
}

TEST(Thinning, FilledSquareBecomesAOnePixelFigureInsideIt)
{
	cv::Mat mask = emptyMask();
	const cv::Rect square(30, 20, 20, 20);
	mask(square).setTo(255);
	thinMask(mask);
	const int left = cv::countNonZero(mask);
	EXPECT_GT(left, 0);
	EXPECT_LT(left, 40);
	EXPECT_EQ(cv::countNonZero(mask(square)), left);  // nothing outside the square
	EXPECT_EQ(fullBlocks(mask), 0);
	EXPECT_EQ(cv::countNonZero((mask != 0) & (mask != 255)), 0);  // still a 0/255 mask
}

TEST(Thinning, OnePixelLinesAndIsolatedPixelsAreLeftAsTheyAre)
{
	cv::Mat mask = emptyMask();
	cv::line(mask, cv::Point(10, 30), cv::Point(70, 30), 255);    // ends B = 1, inside A = 2
	cv::line(mask, cv::Point(10, 10), cv::Point(40, 10), 255);
	cv::line(mask, cv::Point(10, 45), cv::Point(25, 55), 255, 1, cv::LINE_8);
	mask.at<uchar>(50, 60) = 255;                                  // B = 0
	const cv::Mat before = mask.clone();
	thinMask(mask);
	EXPECT_TRUE(sameImage(mask, before));
}

TEST(Thinning, PixelsOfTheOutermostRowsAndColumnsAreNeverRemoved)
{
	cv::Mat mask = emptyMask();
	mask.row(0).setTo(255);
	mask.row(mask.rows - 1).setTo(255);
	mask.col(0).setTo(255);
	mask.col(mask.cols - 1).setTo(255);
	mask(cv::Rect(0, 0, 15, 15)).setTo(255);  // a thick corner that is thinned away inside
	thinMask(mask);
	EXPECT_EQ(cv::countNonZero(mask.row(0)), mask.cols);
	EXPECT_EQ(cv::countNonZero(mask.row(mask.rows - 1)), mask.cols);
	EXPECT_EQ(cv::countNonZero(mask.col(0)), mask.rows);
	EXPECT_EQ(cv::countNonZero(mask.col(mask.cols - 1)), mask.rows);
	EXPECT_LT(cv::countNonZero(mask(cv::Rect(1, 1, 14, 14))), 14 * 14);
}

TEST(Thinning, SubIterationZeroPeelsTheSouthEastSideAndOneTheNorthWest)
{
	// A bar three pixels wide: each sub-iteration takes one long side, decided
	// on the bar as it was, so the middle column survives both.
	cv::Mat image = cv::Mat::zeros(14, 7, CV_8UC1);
	image(cv::Rect(2, 2, 3, 10)).setTo(1);
	thinningSubIteration(image, 0);
	EXPECT_EQ(cv::countNonZero(image.col(4).rowRange(3, 11)), 0);  // east side gone
	EXPECT_EQ(cv::countNonZero(image.col(2).rowRange(3, 11)), 8);
	thinningSubIteration(image, 1);
	EXPECT_EQ(cv::countNonZero(image.col(2).rowRange(3, 11)), 0);  // then the west side
	EXPECT_EQ(cv::countNonZero(image.col(3).rowRange(4, 10)), 6);  // the ends are peeled too
}

/// Masks of many kinds: random blobs, strokes of several widths, filled
/// shapes, shapes cut by the border, and noise.
std::vector<cv::Mat> variedMasks()
{
	cv::RNG rng(4711);
	std::vector<cv::Mat> masks;
	for (int k = 0; k < 4; ++k)
	{
		cv::Mat blobs = cv::Mat::zeros(120, 160, CV_8UC1);
		for (int i = 0; i < 12; ++i)
		{
			cv::ellipse(blobs, cv::Point(rng.uniform(-10, 170), rng.uniform(-10, 130)),
				cv::Size(rng.uniform(2, 25), rng.uniform(2, 25)), rng.uniform(0, 180), 0, 360, 255, cv::FILLED);
		}
		masks.push_back(blobs);

		cv::Mat strokes = cv::Mat::zeros(120, 160, CV_8UC1);
		for (int i = 0; i < 10; ++i)
		{
			cv::line(strokes, cv::Point(rng.uniform(0, 160), rng.uniform(0, 120)),
				cv::Point(rng.uniform(0, 160), rng.uniform(0, 120)), 255, rng.uniform(1, 9));
		}
		cv::circle(strokes, cv::Point(rng.uniform(20, 140), rng.uniform(20, 100)), rng.uniform(8, 30), 255, 3);
		masks.push_back(strokes);

		cv::Mat noise(90, 110, CV_8UC1);
		rng.fill(noise, cv::RNG::UNIFORM, 0, 2);
		masks.push_back(noise * 255);
	}
	cv::Mat shapes = cv::Mat::zeros(100, 140, CV_8UC1);
	cv::rectangle(shapes, cv::Rect(-5, -5, 40, 30), 255, cv::FILLED);  // cut by two borders
	cv::rectangle(shapes, cv::Rect(50, 40, 60, 70), 255, cv::FILLED);  // cut by the bottom
	const std::vector<cv::Point> triangle = {{120, 5}, {139, 60}, {70, 30}};
	cv::fillConvexPoly(shapes, triangle, 255);
	masks.push_back(shapes);
	masks.push_back(cv::Mat(40, 50, CV_8UC1, cv::Scalar(255)));  // everything set
	masks.push_back(cv::Mat::zeros(1, 1, CV_8UC1) + 255);         // too small to examine
	return masks;
}

TEST(Thinning, GivesTheSameImageAsOpenCVsZhangSuenThinning)
{
	int index = 0;
	for (const cv::Mat& mask : variedMasks())
	{
		cv::Mat reference;
		cv::ximgproc::thinning(mask, reference, cv::ximgproc::THINNING_ZHANGSUEN);
		cv::Mat ours = mask.clone();
		thinMask(ours);
		EXPECT_TRUE(sameImage(ours, reference)) << "mask " << index << ": "
			<< cv::countNonZero(ours != reference) << " pixels differ";
		++index;
	}
}

}  // namespace
