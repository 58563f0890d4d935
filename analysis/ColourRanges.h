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

/// A colour class by hue, saturation and value, as OpenCV's 8-bit HSV gives
/// them (hue in units of two degrees, 0 to 180; saturation and value 0 to
/// 255), the bounds included, the upper ones of saturation and value open.
struct HueRange
{
	int hueLow;
	int hueHigh;
	int saturationLow;
	int valueLow;

	cv::Scalar lower() const { return cv::Scalar(hueLow, saturationLow, valueLow, 0); }
	cv::Scalar upper() const { return cv::Scalar(hueHigh, 255, 255, 0); }
};

/// Highlighters, read on paper brought to the reference white: hues from
/// 46 degrees (a warm yellow) to 76 (a neon yellow-green), a saturation of
/// 0.22 and more (the palest pens read about 0.3) and a value of 170 and more
/// (they read 0.9 to 1.0 of the paper's). Together with yellowInk it makes the
/// yellow class. Skin (hues of 40 degrees and less on the ten-step scale),
/// red ink, paper under what remains of a warm cast (hues about 30, far less
/// saturated) and the projector's greens and cyans (from 78 degrees up, on
/// any paper) stay out.
constexpr HueRange highlighterInk = {23, 38, 56, 170};

/// Pale highlighters as a webcam at 640 x 480 shows them: a pale pen is
/// about 0.3 on paper, but a 2 mm line is three of the camera's pixels, and
/// its lens and the JPEG's colour at half resolution spread the line's
/// colour over the paper beside it, so its middle reads 0.13 to 0.22 (hues
/// 54 to 68 degrees). A saturation of 0.11 and more is taken from 50 degrees
/// up: the less colour, the more the camera's noise moves the hue, so these
/// keep further from skin, from the warm inks and from what a warm cast
/// leaves on paper than highlighterInk does. Paper that reads neutral (0.03
/// at most) stays out by its saturation.
constexpr HueRange paleHighlighterInk = {25, 38, 28, 170};

/// Fine dark lines: a 0.6 mm fineliner, or a marker running dry, reads
/// lighter than blackInk at 640 x 480 once the camera has blurred it. A
/// place is such a line when it is at least `fineLineContrast` grey levels
/// darker than the paper a few pixels round it, is the bottom of a valley
/// across the line, and is without colour (within `fineLineChroma` of grey
/// in Cr and Cb); see analysis/FineLines.h.
constexpr int fineLineContrast = 30;
constexpr int fineLineChroma = 12;
