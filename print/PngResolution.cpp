#include "print/PngResolution.h"

#include "platform/WholeFile.h"

#include <png.h>

#include <cmath>

namespace
{

constexpr double metresPerInch = 0.0254;

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
	auto* bytes = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
	bytes->insert(bytes->end(), data, data + length);
}

void noFlush(png_structp) {}

/// Encode into `bytes`; false when libpng gave up (it has said why on
/// standard error). Apart so that nothing with a destructor lives in the
/// frame that libpng's error jumps back to.
bool encodeRows(png_structp png, png_infop info, const cv::Mat& image, double dotsPerInch,
	std::vector<unsigned char>& bytes)
{
	if (setjmp(png_jmpbuf(png)))
	{
		return false;
	}
	png_set_write_fn(png, &bytes, appendBytes, noFlush);
	const bool grey = image.channels() == 1;
	png_set_IHDR(png, info, png_uint_32(image.cols), png_uint_32(image.rows), 8,
		grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
		PNG_FILTER_TYPE_DEFAULT);
	const auto perMetre = png_uint_32(std::lround(dotsPerInch / metresPerInch));
	png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
	png_write_info(png, info);
	if (!grey)
	{
		// OpenCV keeps blue first.
		png_set_bgr(png);
	}
	for (int row = 0; row < image.rows; ++row)
	{
		png_write_row(png, image.ptr<png_byte>(row));
	}
	png_write_end(png, nullptr);
	return true;
}

}  // namespace

std::vector<unsigned char> encodePngAtResolution(const cv::Mat& image, double dotsPerInch)
{
	std::vector<unsigned char> bytes;
	if (image.empty() || image.depth() != CV_8U || (image.channels() != 1 && image.channels() != 3))
	{
		return bytes;
	}
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
	if (info == nullptr || !encodeRows(png, info, image, dotsPerInch, bytes))
	{
		bytes.clear();
	}
	png_destroy_write_struct(&png, &info);
	return bytes;
}

std::error_code writePngAtResolution(const std::string& path, const cv::Mat& image, double dotsPerInch)
{
	const std::vector<unsigned char> bytes = encodePngAtResolution(image, dotsPerInch);
	if (bytes.empty())
	{
		return std::make_error_code(std::errc::invalid_argument);
	}
	return writeWholeFile(path, bytes);
}
