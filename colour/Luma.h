#pragma once

#include <opencv2/core.hpp>

/// Luma and the two colour differences as BT.601 defines them and OpenCV's
/// grey and YCrCb conversions compute them: what the program computes by
/// hand agrees with what OpenCV converts.

/// The share of red, green and blue in luma.
constexpr double lumaRed = 0.299;
constexpr double lumaGreen = 0.587;
constexpr double lumaBlue = 0.114;

/// Cr is crScale (R - Y) and Cb is cbScale (B - Y), both about 128.
constexpr double crScale = 0.713;
constexpr double cbScale = 0.564;

/// Luma of a B, G, R colour, in the type of its channels. Of logarithms of
/// colours it is their weighted mean: the logarithm of a luminance, near
/// enough to tell the darker of two colours.
template <typename T>
T lumaOf(const cv::Vec<T, 3>& bgr)
{
	return T(lumaRed) * bgr[2] + T(lumaGreen) * bgr[1] + T(lumaBlue) * bgr[0];
}

/// Luma of an 8-bit colour times 256, in whole numbers (the weights rounded
/// to 256ths: 29, 150 and 77): to sort many colours by brightness cheaply.
inline int lumaTimes256(const cv::Vec3b& bgr)
{
	constexpr int blue = int(lumaBlue * 256.0 + 0.5), green = int(lumaGreen * 256.0 + 0.5), red = int(lumaRed * 256.0 + 0.5);
	static_assert(blue + green + red == 256, "white would not read 255 times 256");
	return blue * bgr[0] + green * bgr[1] + red * bgr[2];
}
