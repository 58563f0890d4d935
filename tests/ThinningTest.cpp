#include "ThinningReference.h"
#include "analysis/Thinning.h"
#include "bench/DemoBoard.h"

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

/// thinMask against the whole-image sweeps and against OpenCV's Zhang-Suen
/// thinning: all three images must be the same.
void expectSameAsReferences(const cv::Mat& mask, const std::string& name)
{
	cv::Mat opencv;
	cv::ximgproc::thinning(mask, opencv, cv::ximgproc::THINNING_ZHANGSUEN);
	cv::Mat sweeps = mask.clone();
	thinBySweeps(sweeps);
	cv::Mat ours = mask.clone();
	thinMask(ours);
	EXPECT_EQ(differing(ours, sweeps), 0) << name;
	EXPECT_EQ(differing(ours, opencv), 0) << name;
}

TEST(Thinning, GivesTheSameImageAsTheReferences)
{
	int index = 0;
	for (const cv::Mat& mask : variedMasks())
	{
		expectSameAsReferences(mask, "mask " + std::to_string(index++));
	}
}

TEST(Thinning, GivesTheSameImageOnTheMeasuredMasks)
{
	const auto masks = thinningMasks();
	for (const auto& [name, mask] : masks)
	{
		ASSERT_EQ(mask.size(), cv::Size(640, 480));
		expectSameAsReferences(mask, name);
	}
	// The demo masks hold ink, or the comparison proves little.
	EXPECT_GT(cv::countNonZero(masks[0].second), 1000);
	EXPECT_GT(cv::countNonZero(masks[1].second), 500);
}

/// Random masks from sparse to dense, smoothed so that they hold blobs and
/// strokes of many widths, some cut by the image border; and grey values,
/// which count as set from 128 up.
TEST(Thinning, GivesTheSameImageOnRandomMasks)
{
	cv::RNG rng(97);
	for (int i = 0; i < 30; ++i)
	{
		cv::Mat noise(rng.uniform(3, 90), rng.uniform(3, 120), CV_8UC1);
		rng.fill(noise, cv::RNG::UNIFORM, 0, 256);
		const int blur = 1 + 2 * rng.uniform(0, 4);
		cv::GaussianBlur(noise, noise, cv::Size(blur, blur), 0);
		cv::Mat mask;
		cv::threshold(noise, mask, rng.uniform(100, 150), 255, cv::THRESH_BINARY);
		expectSameAsReferences(mask, "random " + std::to_string(i));
	}
	cv::Mat grey(50, 60, CV_8UC1);
	rng.fill(grey, cv::RNG::UNIFORM, 0, 256);
	cv::Mat sweeps = grey.clone();
	thinBySweeps(sweeps);
	thinMask(grey);
	EXPECT_EQ(differing(grey, sweeps), 0);
}

/// A view into a larger image is thinned in place, and nothing outside it changes.
TEST(Thinning, ThinsAViewInPlace)
{
	cv::Mat image = denseScribble();
	const cv::Mat before = image.clone();
	const cv::Rect part(100, 80, 300, 200);
	cv::Mat view = image(part);
	thinMask(view);
	cv::Mat expected = before(part).clone();
	thinBySweeps(expected);
	EXPECT_EQ(differing(image(part), expected), 0);
	image(part).setTo(0);
	cv::Mat outside = before.clone();
	outside(part).setTo(0);
	EXPECT_EQ(differing(image, outside), 0);
}

}  // namespace
