#pragma once

#include <opencv2/core.hpp>

/// A colour class as a box in YCrCb (8-bit, Cr and Cb centred on 128), both
/// bounds included, as cv::inRange takes it.
struct ColourRange
{
	cv::Scalar lower;
	cv::Scalar upper;
};

/// The inks of the drawing. Black is dark and without colour; red is any
/// reddish tone that is not bright; yellow is bright and warm. Yellow and red
/// overlap for Y 130 to 154, where red wins.
const ColourRange blackInk = {cv::Scalar(0, 115, 115, 0), cv::Scalar(150, 135, 135, 0)};
const ColourRange redInk = {cv::Scalar(0, 133, 77, 0), cv::Scalar(154, 255, 127, 0)};
const ColourRange yellowInk = {cv::Scalar(130, 133, 77, 0), cv::Scalar(255, 200, 120, 0)};

/// Skin in YCrCb: the hand test looks for it before a rescan.
const ColourRange skinColour = {cv::Scalar(0, 133, 77, 0), cv::Scalar(255, 173, 127, 0)};
