#include "colour/BalancedColours.h"
#include "colour/Luma.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

// What balanceColours does to the camera's colour noise, plane by plane:
// each colour difference smoothed alike, brightness left sharp, a flat
// colour kept. Gains of one leave only that.

namespace
{

/// Luma and the two colour differences of a BGR picture, as float planes.
struct ColourPlanes
{
	explicit ColourPlanes(const cv::Mat& bgr)
	{
		cv::Mat f;
		bgr.convertTo(f, CV_32F);
		cv::Mat c[3];
		cv::split(f, c);
		cv::transform(f, luma, cv::Matx13f(float(lumaBlue), float(lumaGreen), float(lumaRed)));
		rMinusY = c[2] - luma;
		bMinusY = c[0] - luma;
	}

	cv::Mat luma, rMinusY, bMinusY;
};

/// A bright grey picture (luma 200, far from every edge and dark limit) whose
/// colour differences are independent noise of `sigma`, left half the luma
/// of the right: one sharp step of brightness down the middle.
cv::Mat noisyColour(double sigma)
{
	cv::Mat rMinusY(120, 160, CV_32F), bMinusY(120, 160, CV_32F);
	cv::RNG rng(5);
	rng.fill(rMinusY, cv::RNG::NORMAL, 0.0, sigma);
	rng.fill(bMinusY, cv::RNG::NORMAL, 0.0, sigma);
	cv::Mat picture(rMinusY.size(), CV_8UC3);
	for (int row = 0; row < picture.rows; ++row)
	{
		for (int col = 0; col < picture.cols; ++col)
		{
			const float y = col < picture.cols / 2 ? 190.0f : 215.0f;
			const float r = y + rMinusY.at<float>(row, col);
			const float b = y + bMinusY.at<float>(row, col);
			const float g = float((y - lumaRed * r - lumaBlue * b) / lumaGreen);
			picture.at<cv::Vec3b>(row, col) =
				cv::Vec3b(cv::saturate_cast<uchar>(b), cv::saturate_cast<uchar>(g), cv::saturate_cast<uchar>(r));
		}
	}
	return picture;
}

cv::Mat unitGains(cv::Size size)
{
	return cv::Mat(size, CV_32FC3, cv::Scalar::all(1.0));
}

double spread(const cv::Mat& plane)
{
	// The border rows and columns, where the smoothing reflects, are left out.
	cv::Scalar mean, deviation;
	cv::meanStdDev(plane(cv::Rect(4, 4, plane.cols - 8, plane.rows - 8)), mean, deviation);
	return deviation[0];
}

TEST(BalancedColours, BothColourDifferencesAreSmoothedAlikeAndBrightnessStaysSharp)
{
	const cv::Mat before = noisyColour(8.0);
	cv::Mat after = before.clone();
	balanceColours(after, unitGains(before.size()));
	const ColourPlanes in(before), out(after);

	// A Gaussian of sigma 1 over 5 x 5 keeps 0.29 of white noise: in each plane.
	const double red = spread(out.rMinusY) / spread(in.rMinusY);
	const double blue = spread(out.bMinusY) / spread(in.bMinusY);
	EXPECT_NEAR(red, 0.29, 0.06) << "R - Y";
	EXPECT_NEAR(blue, 0.29, 0.06) << "B - Y";
	EXPECT_NEAR(red, blue, 0.03);

	// The step of brightness stays one pixel wide, and luma anywhere moves by
	// no more than the rounding to 8 bits.
	double worst = 0.0;
	cv::minMaxLoc(cv::abs(out.luma - in.luma), nullptr, &worst);
	EXPECT_LT(worst, 1.5);
}

TEST(BalancedColours, AFlatColourKeepsItsColourInEachPlane)
{
	// Bright colours of paper lit by a warm and a cool room, and skin: each
	// difference keeps its size and its sign.
	for (const cv::Vec3b& bgr : {cv::Vec3b(200, 225, 245), cv::Vec3b(245, 225, 200), cv::Vec3b(90, 130, 200)})
	{
		const cv::Mat before(40, 40, CV_8UC3, cv::Scalar(bgr[0], bgr[1], bgr[2]));
		cv::Mat after = before.clone();
		balanceColours(after, unitGains(before.size()));
		const cv::Vec3b kept = after.at<cv::Vec3b>(20, 20);
		for (int c = 0; c < 3; ++c)
		{
			EXPECT_NEAR(kept[c], bgr[c], 1.0) << bgr << " channel " << c;
		}
		EXPECT_NEAR(lumaOf(cv::Vec3d(kept)), lumaOf(cv::Vec3d(bgr)), 1.0) << bgr;
	}
}

}  // namespace

// The sweep over many pixels at a time gives every pixel what the pixel by
// pixel reference gives: at every width (the columns after the last whole
// group go one by one), on ink edges, in the dark, with gains that clip, and
// on pictures that are a window into a larger one.
TEST(BalancedColours, EveryPixelAsThePixelByPixelReferenceGivesIt)
{
	cv::RNG rng(23);
	for (const int width : {1, 15, 16, 17, 31, 33, 47, 640})
	{
		for (const double gainHigh : {1.0, 1.6, 3.5})
		{
			cv::Mat picture(24, width, CV_8UC3);
			rng.fill(picture, cv::RNG::UNIFORM, 0, 256);
			// Ink strokes on paper: sharp dark edges where the fringe is taken out.
			cv::line(picture, cv::Point(0, 4), cv::Point(width, 20), cv::Scalar(30, 35, 40), 3);
			cv::rectangle(picture, cv::Rect(0, 8, width, 6), cv::Scalar(235, 238, 240), cv::FILLED);
			cv::Mat gains(picture.size(), CV_32FC3);
			rng.fill(gains, cv::RNG::UNIFORM, 0.8, gainHigh);
			cv::Mat larger(picture.rows, picture.cols + 3, CV_8UC3, cv::Scalar::all(0));
			cv::Mat window = larger(cv::Rect(3, 0, picture.cols, picture.rows));
			picture.copyTo(window);

			cv::Mat reference = picture.clone();
			balanceColoursPixelByPixel(reference, gains);
			balanceColours(picture, gains);
			balanceColours(window, gains);
			EXPECT_EQ(cv::norm(picture, reference, cv::NORM_INF), 0.0) << width << " wide, gains up to " << gainHigh;
			EXPECT_EQ(cv::norm(window, reference, cv::NORM_INF), 0.0) << width << " wide window";
		}
	}
}
