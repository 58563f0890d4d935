#pragma once

#include <opencv2/core.hpp>

#include <memory>
#include <string>
#include <vector>

/// An image that nobody can change: a copy of its own, whose pixels no one
/// outside can reach, so it may be read on another thread while the original
/// is painted into. Copies of a FrozenImage share the one copy of the pixels.
class FrozenImage
{
public:
	/// No image.
	FrozenImage() = default;

	/// A copy of `image`.
	explicit FrozenImage(const cv::Mat& image);

	bool empty() const { return !pixels; }

	/// The pixels, to read; an empty image for no image.
	const cv::Mat& view() const;

	/// True when both share the same copy, and so the same pixels; never for
	/// no image.
	bool isSameCopy(const FrozenImage& other) const { return pixels && pixels == other.pixels; }

	/// True when `image` has the size, type and pixels of this one.
	bool equals(const cv::Mat& image) const;

	/// Encode it in the format of `extension` (dot included, as in cv::imencode);
	/// PNG as encodePng makes it. Throws cv::Exception when the format takes
	/// no such image.
	std::vector<uchar> encode(const std::string& extension) const;

private:
	std::shared_ptr<const cv::Mat> pixels;
};
