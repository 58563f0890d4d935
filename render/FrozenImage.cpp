#include "render/FrozenImage.h"

#include "render/PngEncoding.h"

#include <opencv2/imgcodecs.hpp>

#include <cstring>

FrozenImage::FrozenImage(const cv::Mat& image)
{
	if (!image.empty())
	{
		pixels = std::make_shared<const cv::Mat>(image.clone());
	}
}

const cv::Mat& FrozenImage::view() const
{
	static const cv::Mat none;
	return pixels ? *pixels : none;
}

bool FrozenImage::equals(const cv::Mat& image) const
{
	if (!pixels)
	{
		return image.empty();
	}
	const cv::Mat& own = *pixels;
	if (own.size != image.size || own.type() != image.type())
	{
		return false;
	}
	// A clone is continuous; the other image may be a view with gaps between rows.
	const std::size_t rowBytes = std::size_t(own.cols) * own.elemSize();
	for (int row = 0; row < own.rows; ++row)
	{
		if (std::memcmp(own.ptr(row), image.ptr(row), rowBytes) != 0)
		{
			return false;
		}
	}
	return true;
}

std::vector<uchar> FrozenImage::encode(const std::string& extension) const
{
	if (pixels && extension == ".png")
	{
		return encodePng(*pixels);
	}
	std::vector<uchar> bytes;
	if (!pixels || !cv::imencode(extension, *pixels, bytes))
	{
		throw cv::Exception(cv::Error::StsError, "cannot encode " + extension, __func__, __FILE__, __LINE__);
	}
	return bytes;
}
