#include "colour/BalancedColours.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// Colour is smoothed with a Gaussian of this sigma, in pixels: about what a
/// webcam's own noise reduction does, and no wider than a 4-pixel pen line,
/// whose colour it would wash into the paper.
constexpr double colourSmoothing = 1.0;

/// Pixels darker than this have no colour left, and those brighter than the
/// next all of it (grey levels, paper reading 240). Fresh black ink reads 25
/// to 60 and the gains multiply its noise most, so below 40 any colour is
/// noise; pale yellow ink, red and skin under the hand lie above 100.
constexpr float colourlessBelow = 40.0f;
constexpr float fullColourAbove = 100.0f;

/// Colour bleeding over an edge from a compressed picture, at most, in Cr and
/// Cb units; it is taken out of pixels darker than `fringeAbove` on edges as
/// sharp as paper to ink, and less on softer edges and brighter pixels.
/// Tuned on the warm rooms of the room matrix at JPEG quality 70, where
/// without it three strokes gave 12 to 35 walls: the colour half-resolution
/// chroma bleeds from cast paper into the dark side of an edge put stroke
/// pixels outside black's +-7 of grey, and the thinned strokes became loops.
constexpr float fringeChroma = 18.0f;
/// Paper (240) to fresh or half-dry marker (25 to 120) is an edge of 120 or
/// more; an edge of 80 is ink already, one of a few grey levels paper grain.
constexpr float sharpEdge = 80.0f;
/// Full removal below 130 (every pixel black ink can take, and no yellow),
/// none above 170, where yellow ink's edges keep their colour.
constexpr float fringeAbove = 170.0f;
constexpr float fringeFade = 40.0f;

/// BT.601, as OpenCV's YCrCb: Cr is 0.713 (R - Y), Cb is 0.564 (B - Y).
constexpr float crScale = 0.713f;
constexpr float cbScale = 0.564f;

/// `difference` with `cut` taken off its size, never past zero.
float shrink(float difference, float cut)
{
	const float kept = std::max(0.0f, std::abs(difference) - cut);
	return difference < 0.0f ? -kept : kept;
}

}  // namespace

void balanceColours(cv::Mat& picture, const cv::Mat& gains)
{
	CV_Assert(picture.type() == CV_8UC3 && gains.type() == CV_32FC3 && gains.size() == picture.size());
	// Balanced luma and the colour differences R - Y and B - Y, in one sweep.
	cv::Mat planes[3] = {cv::Mat(picture.size(), CV_32F), cv::Mat(picture.size(), CV_32F), cv::Mat(picture.size(), CV_32F)};
	cv::Mat luma(picture.size(), CV_8U);
	for (int row = 0; row < picture.rows; ++row)
	{
		const cv::Vec3b* in = picture.ptr<cv::Vec3b>(row);
		const cv::Vec3f* gain = gains.ptr<cv::Vec3f>(row);
		float* y = planes[0].ptr<float>(row);
		float* rMinusY = planes[1].ptr<float>(row);
		float* bMinusY = planes[2].ptr<float>(row);
		uchar* grey = luma.ptr<uchar>(row);
		for (int col = 0; col < picture.cols; ++col)
		{
			const float b = in[col][0] * gain[col][0], g = in[col][1] * gain[col][1], r = in[col][2] * gain[col][2];
			y[col] = 0.299f * r + 0.587f * g + 0.114f * b;
			rMinusY[col] = r - y[col];
			bMinusY[col] = b - y[col];
			grey[col] = cv::saturate_cast<uchar>(y[col]);
		}
	}
	cv::GaussianBlur(planes[1], planes[1], cv::Size(5, 5), colourSmoothing);
	cv::GaussianBlur(planes[2], planes[2], cv::Size(5, 5), colourSmoothing);

	// How close each pixel lies to an edge, and how sharp it is: the range of
	// luma within two pixels of it, as far as colour bleeds.
	cv::Mat brightest, darkest;
	const cv::Mat nearby = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5));
	cv::dilate(luma, brightest, nearby);
	cv::erode(luma, darkest, nearby);

	for (int row = 0; row < picture.rows; ++row)
	{
		const float* y = planes[0].ptr<float>(row);
		const float* rMinusY = planes[1].ptr<float>(row);
		const float* bMinusY = planes[2].ptr<float>(row);
		const uchar* high = brightest.ptr<uchar>(row);
		const uchar* low = darkest.ptr<uchar>(row);
		cv::Vec3b* out = picture.ptr<cv::Vec3b>(row);
		for (int col = 0; col < picture.cols; ++col)
		{
			const float fade = std::min(1.0f, std::max(0.0f, (y[col] - colourlessBelow) / (fullColourAbove - colourlessBelow)));
			const float onEdge = std::min(1.0f, float(high[col] - low[col]) / sharpEdge)
				* std::min(1.0f, std::max(0.0f, (fringeAbove - y[col]) / fringeFade));
			const float r = y[col] + fade * shrink(rMinusY[col], fringeChroma * onEdge / crScale);
			const float b = y[col] + fade * shrink(bMinusY[col], fringeChroma * onEdge / cbScale);
			const float g = (y[col] - 0.299f * r - 0.114f * b) / 0.587f;
			out[col] = cv::Vec3b(cv::saturate_cast<uchar>(b), cv::saturate_cast<uchar>(g), cv::saturate_cast<uchar>(r));
		}
	}
}
