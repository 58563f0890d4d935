#include "colour/BalancedColours.h"

#include "colour/Luma.h"

#include <opencv2/core/hal/intrin.hpp>
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

/// Luma's weights and the colour differences' scales (colour/Luma.h) in
/// the sweeps' precision.
constexpr float toY[3] = {float(lumaBlue), float(lumaGreen), float(lumaRed)};
constexpr float crScaled = float(crScale);
constexpr float cbScaled = float(cbScale);

/// `difference` with `cut` taken off its size, never past zero.
float shrink(float difference, float cut)
{
	const float kept = std::max(0.0f, std::abs(difference) - cut);
	return difference < 0.0f ? -kept : kept;
}

/// One pixel of the first sweep: the gains applied, luma and the colour
/// differences R - Y and B - Y.
void split(const cv::Vec3b& in, const cv::Vec3f& gain, float& y, float& rMinusY, float& bMinusY, uchar& grey)
{
	const float b = in[0] * gain[0], g = in[1] * gain[1], r = in[2] * gain[2];
	y = lumaOf(cv::Vec3f(b, g, r));
	rMinusY = r - y;
	bMinusY = b - y;
	grey = cv::saturate_cast<uchar>(y);
}

/// One pixel of the second sweep: luma with its smoothed colour, faded in the
/// dark and shrunk on sharp dark edges.
cv::Vec3b recombine(float y, float rMinusY, float bMinusY, uchar high, uchar low)
{
	const float fade = std::min(1.0f, std::max(0.0f, (y - colourlessBelow) / (fullColourAbove - colourlessBelow)));
	const float onEdge = std::min(1.0f, float(high - low) / sharpEdge)
		* std::min(1.0f, std::max(0.0f, (fringeAbove - y) / fringeFade));
	const float r = y + fade * shrink(rMinusY, fringeChroma * onEdge / crScaled);
	const float b = y + fade * shrink(bMinusY, fringeChroma * onEdge / cbScaled);
	const float g = (y - toY[2] * r - toY[0] * b) / toY[1];
	return cv::Vec3b(cv::saturate_cast<uchar>(b), cv::saturate_cast<uchar>(g), cv::saturate_cast<uchar>(r));
}

#if CV_SIMD128
// The two sweeps 16 pixels at a time, with the same arithmetic in the same
// order as split() and recombine(), so every pixel comes out the same (the
// tests hold them to it); they return the columns done, and the pixels
// after them go one by one.

using cv::v_float32x4;

/// 16 bytes as four vectors of 4 floats.
void widen(const cv::v_uint8x16& bytes, v_float32x4 (&out)[4])
{
	cv::v_uint16x8 low, high;
	cv::v_expand(bytes, low, high);
	cv::v_uint32x4 words[4];
	cv::v_expand(low, words[0], words[1]);
	cv::v_expand(high, words[2], words[3]);
	for (int k = 0; k < 4; ++k)
	{
		out[k] = cv::v_cvt_f32(cv::v_reinterpret_as_s32(words[k]));
	}
}

/// Four vectors of 4 floats rounded, as saturate_cast does, into 16 bytes.
cv::v_uint8x16 narrow(const v_float32x4 (&in)[4])
{
	return cv::v_pack_u(cv::v_pack(cv::v_round(in[0]), cv::v_round(in[1])), cv::v_pack(cv::v_round(in[2]), cv::v_round(in[3])));
}

int splitVectorised(const cv::Vec3b* in, const cv::Vec3f* gain, float* y, float* rMinusY, float* bMinusY, uchar* grey,
	int cols)
{
	const v_float32x4 weight[3] = {cv::v_setall_f32(toY[0]), cv::v_setall_f32(toY[1]), cv::v_setall_f32(toY[2])};
	int col = 0;
	for (; col + 16 <= cols; col += 16)
	{
		cv::v_uint8x16 bytes[3];
		cv::v_load_deinterleave(reinterpret_cast<const uchar*>(in + col), bytes[0], bytes[1], bytes[2]);
		v_float32x4 channel[3][4];
		for (int c = 0; c < 3; ++c)
		{
			widen(bytes[c], channel[c]);
		}
		v_float32x4 luma[4];
		for (int k = 0; k < 4; ++k)
		{
			v_float32x4 gains[3];
			cv::v_load_deinterleave(reinterpret_cast<const float*>(gain + col + 4 * k), gains[0], gains[1], gains[2]);
			const v_float32x4 b = channel[0][k] * gains[0], g = channel[1][k] * gains[1], r = channel[2][k] * gains[2];
			luma[k] = weight[2] * r + weight[1] * g + weight[0] * b;
			cv::v_store(y + col + 4 * k, luma[k]);
			cv::v_store(rMinusY + col + 4 * k, r - luma[k]);
			cv::v_store(bMinusY + col + 4 * k, b - luma[k]);
		}
		cv::v_store(grey + col, narrow(luma));
	}
	return col;
}

/// shrink(), four at a time.
v_float32x4 shrinkVectorised(const v_float32x4& difference, const v_float32x4& cut)
{
	const v_float32x4 zero = cv::v_setzero_f32();
	const v_float32x4 kept = cv::v_max(zero, cv::v_abs(difference) - cut);
	return cv::v_select(difference < zero, zero - kept, kept);
}

int recombineVectorised(const float* y, const float* rMinusY, const float* bMinusY, const uchar* high, const uchar* low,
	cv::Vec3b* out, int cols)
{
	const v_float32x4 zero = cv::v_setzero_f32(), one = cv::v_setall_f32(1.0f);
	const v_float32x4 colourless = cv::v_setall_f32(colourlessBelow);
	const v_float32x4 fadeSpan = cv::v_setall_f32(fullColourAbove - colourlessBelow);
	const v_float32x4 sharp = cv::v_setall_f32(sharpEdge), above = cv::v_setall_f32(fringeAbove);
	const v_float32x4 fringeSpan = cv::v_setall_f32(fringeFade), fringe = cv::v_setall_f32(fringeChroma);
	const v_float32x4 cr = cv::v_setall_f32(crScaled), cb = cv::v_setall_f32(cbScaled);
	const v_float32x4 fromR = cv::v_setall_f32(toY[2]), fromB = cv::v_setall_f32(toY[0]), ofG = cv::v_setall_f32(toY[1]);
	int col = 0;
	for (; col + 16 <= cols; col += 16)
	{
		// high >= low everywhere: a dilation against an erosion.
		v_float32x4 range[4];
		widen(cv::v_load(high + col) - cv::v_load(low + col), range);
		v_float32x4 channel[3][4];
		for (int k = 0; k < 4; ++k)
		{
			const int at = col + 4 * k;
			const v_float32x4 luma = cv::v_load(y + at);
			const v_float32x4 fade = cv::v_min(one, cv::v_max(zero, (luma - colourless) / fadeSpan));
			const v_float32x4 onEdge =
				cv::v_min(one, range[k] / sharp) * cv::v_min(one, cv::v_max(zero, (above - luma) / fringeSpan));
			const v_float32x4 r = luma + fade * shrinkVectorised(cv::v_load(rMinusY + at), fringe * onEdge / cr);
			const v_float32x4 b = luma + fade * shrinkVectorised(cv::v_load(bMinusY + at), fringe * onEdge / cb);
			channel[0][k] = b;
			channel[1][k] = (luma - fromR * r - fromB * b) / ofG;
			channel[2][k] = r;
		}
		cv::v_store_interleave(reinterpret_cast<uchar*>(out + col), narrow(channel[0]), narrow(channel[1]), narrow(channel[2]));
	}
	return col;
}
#endif

void balance(cv::Mat& picture, const cv::Mat& gains, bool vectorised)
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
		int col = 0;
#if CV_SIMD128
		col = vectorised ? splitVectorised(in, gain, y, rMinusY, bMinusY, grey, picture.cols) : 0;
#endif
		for (; col < picture.cols; ++col)
		{
			split(in[col], gain[col], y[col], rMinusY[col], bMinusY[col], grey[col]);
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
		int col = 0;
#if CV_SIMD128
		col = vectorised ? recombineVectorised(y, rMinusY, bMinusY, high, low, out, picture.cols) : 0;
#endif
		for (; col < picture.cols; ++col)
		{
			out[col] = recombine(y[col], rMinusY[col], bMinusY[col], high[col], low[col]);
		}
	}
}

}  // namespace

void balanceColours(cv::Mat& picture, const cv::Mat& gains)
{
	balance(picture, gains, true);
}

void balanceColoursPixelByPixel(cv::Mat& picture, const cv::Mat& gains)
{
	balance(picture, gains, false);
}
