#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// How a recorded picture is made into a PNG file: the one PNG filter used
/// on every row, and the deflate level (libdeflate's, 1 to 12).
struct PngSettings
{
	enum Filter
	{
		None = 0,
		Up = 2,
	};

	Filter filter = None;
	int level = 1;
};

/// The PNG file of an 8-bit grey, BGR or BGRA image, as the recorder writes
/// them: decoded, it gives back the image's pixels exactly, as
/// cv::imencode's does, in about half the time on a noisy camera frame.
/// Images of another kind are encoded by cv::imencode. Throws
/// cv::Exception for an empty image. Safe to call from several threads.
std::vector<uchar> encodePng(const cv::Mat& image, PngSettings settings = PngSettings());
