#include "analysis/Thinning.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc.hpp>

namespace
{

int differing(const cv::Mat& a, const cv::Mat& b)
{
	return cv::countNonZero(a != b);
}

TEST(Thinning, EdgeCases)
{
	cv::Mat nothing;
	thinMask(nothing);  // no image at all is left alone
	EXPECT_TRUE(nothing.empty());

	// One-pixel lines (ends B = 1, inside A = 2) and a lone pixel (B = 0) stay;
	// so do the outermost rows and columns, which are never examined.
	cv::Mat mask = cv::Mat::zeros(60, 80, CV_8UC1);
	cv::line(mask, cv::Point(10, 30), cv::Point(70, 30), 255);
	cv::line(mask, cv::Point(10, 45), cv::Point(25, 55), 255);
	mask.at<uchar>(50, 60) = 255;
	mask.row(0).setTo(255);
	mask.col(79).setTo(255);
	const cv::Mat kept = mask.clone();
	thinMask(mask);
	EXPECT_EQ(differing(mask, kept), 0);

	// A filled 20 x 20 square becomes a figure one pixel wide inside it.
	const cv::Rect square(30, 5, 20, 20);
	mask(square).setTo(255);
	thinMask(mask);
	const int inside = cv::countNonZero(mask(square));
	EXPECT_GT(inside, 0);
	EXPECT_LT(inside, 40);
	EXPECT_EQ(cv::countNonZero(mask), cv::countNonZero(kept) + inside);
	EXPECT_EQ(cv::countNonZero((mask != 0) & (mask != 255)), 0);  // still 0/255
}

/// Masks of many kinds: random blobs, strokes of several widths with a ring,
/// noise, filled shapes cut by the border, all set, and one too small to examine.
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
		cv::Mat strokes = cv::Mat::zeros(120, 160, CV_8UC1);
		for (int i = 0; i < 10; ++i)
		{
			cv::line(strokes, cv::Point(rng.uniform(0, 160), rng.uniform(0, 120)),
				cv::Point(rng.uniform(0, 160), rng.uniform(0, 120)), 255, rng.uniform(1, 9));
		}
		cv::circle(strokes, cv::Point(rng.uniform(20, 140), rng.uniform(20, 100)), rng.uniform(8, 30), 255, 3);
		cv::Mat noise(90, 110, CV_8UC1);
		rng.fill(noise, cv::RNG::UNIFORM, 0, 2);
		masks.insert(masks.end(), {blobs, strokes, noise * 255});
	}
	cv::Mat shapes = cv::Mat::zeros(100, 140, CV_8UC1);
	cv::rectangle(shapes, cv::Rect(-5, -5, 40, 30), 255, cv::FILLED);
	cv::rectangle(shapes, cv::Rect(50, 40, 60, 70), 255, cv::FILLED);
	cv::fillConvexPoly(shapes, std::vector<cv::Point>{{120, 5}, {139, 60}, {70, 30}}, 255);
	masks.insert(masks.end(), {shapes, cv::Mat(40, 50, CV_8UC1, cv::Scalar(255)), cv::Mat(1, 1, CV_8UC1, cv::Scalar(255))});
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
		EXPECT_EQ(differing(ours, reference), 0) << "mask " << index++;
	}
}

}  // namespace
