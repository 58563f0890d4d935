#pragma once

#include <opencv2/core.hpp>

/// A colour in YCrCb (8-bit, Cr and Cb centred on 128).
struct YCrCb
{
	int y;
	int cr;
	int cb;
};

/// A colour class as a box in YCrCb, both bounds included, as cv::inRange
/// takes it.
struct ColourRange
{
	YCrCb low;
	YCrCb high;

	cv::Scalar lower() const { return cv::Scalar(low.y, low.cr, low.cb, 0); }
	cv::Scalar upper() const { return cv::Scalar(high.y, high.cr, high.cb, 0); }
};

/// The inks of the drawing. Black is dark and without colour; red is any
/// reddish tone that is not bright; yellow is bright and warm. Yellow and red
/// overlap for Y 130 to 154, where red wins.
constexpr ColourRange blackInk = {{0, 115, 115}, {150, 135, 135}};
constexpr ColourRange redInk = {{0, 133, 77}, {154, 255, 127}};
constexpr ColourRange yellowInk = {{130, 133, 77}, {255, 200, 120}};

/// Skin in YCrCb: the hand test looks for it before a rescan.
constexpr ColourRange skinColour = {{0, 133, 77}, {255, 173, 127}};
