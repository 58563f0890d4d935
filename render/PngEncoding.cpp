#include "render/PngEncoding.h"

#include <opencv2/imgcodecs.hpp>

#include <libdeflate.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

// A PNG file is a signature and chunks (length, type, data, CRC): here the
// header, one chunk of deflated rows and the end. Each row is one filter byte
// and the row's pixels in RGB order. The filter and the compressor are what
// make it fast: cv::imencode asks libpng for the Sub filter and zlib's
// run-length strategy, which spends about twice as long on a camera frame's
// noise as libdeflate's fastest level does on the unfiltered rows.

namespace
{

constexpr std::array<uchar, 8> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

/// PNG's colour types.
constexpr uchar grey = 0;
constexpr uchar rgb = 2;
constexpr uchar rgba = 6;

struct FreeCompressor
{
	void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

/// One compressor per thread and level: making one costs more than a small
/// picture's compression.
libdeflate_compressor& compressor(int level)
{
	thread_local std::array<std::unique_ptr<libdeflate_compressor, FreeCompressor>, 13> made;
	std::unique_ptr<libdeflate_compressor, FreeCompressor>& slot = made.at(std::size_t(level));
	if (!slot)
	{
		slot.reset(libdeflate_alloc_compressor(level));
		if (!slot)
		{
			throw cv::Exception(cv::Error::StsNoMem, "no memory for the PNG compressor", __func__, __FILE__, __LINE__);
		}
	}
	return *slot;
}

void putBigEndian(std::vector<uchar>& out, std::uint32_t value)
{
	for (int shift = 24; shift >= 0; shift -= 8)
	{
		out.push_back(uchar(value >> shift));
	}
}

/// A chunk whose data are already at the end of `out`, after room for its
/// length and type: fills them in and adds the CRC of type and data.
void closeChunk(std::vector<uchar>& out, std::size_t start, const char* type)
{
	const std::size_t length = out.size() - start - 8;
	for (int i = 0; i < 4; ++i)
	{
		out[start + std::size_t(i)] = uchar(length >> (24 - 8 * i));
		out[start + 4 + std::size_t(i)] = uchar(type[i]);
	}
	putBigEndian(out, std::uint32_t(libdeflate_crc32(0, out.data() + start + 4, length + 4)));
}

/// One row of pixels in PNG's channel order: blue and red swapped.
void copyRow(const uchar* from, uchar* to, int width, int channels)
{
	if (channels < 3)
	{
		std::memcpy(to, from, std::size_t(width) * std::size_t(channels));
		return;
	}
	for (int x = 0; x < width; ++x, from += channels, to += channels)
	{
		to[0] = from[2];
		to[1] = from[1];
		to[2] = from[0];
		if (channels == 4)
		{
			to[3] = from[3];
		}
	}
}

/// The image's rows as PNG stores them before compression: a filter byte,
/// then the pixels in PNG's channel order, filtered. Done here rather than
/// by cv::cvtColor, whose thread pool, woken from the writer's threads, would
/// spin beside the main loop.
std::vector<uchar> filteredRows(const cv::Mat& image, PngSettings::Filter filter)
{
	const std::size_t rowBytes = std::size_t(image.cols) * image.elemSize();
	std::vector<uchar> rows((rowBytes + 1) * std::size_t(image.rows));
	for (int row = 0; row < image.rows; ++row)
	{
		uchar* line = rows.data() + (rowBytes + 1) * std::size_t(row);
		line[0] = uchar(filter);
		copyRow(image.ptr(row), line + 1, image.cols, image.channels());
	}
	if (filter == PngSettings::Up)
	{
		// Bottom up, so that the row above is still unfiltered.
		for (int row = image.rows - 1; row > 0; --row)
		{
			uchar* line = rows.data() + (rowBytes + 1) * std::size_t(row);
			const uchar* above = line - (rowBytes + 1);
			for (std::size_t i = 1; i <= rowBytes; ++i)
			{
				line[i] = uchar(line[i] - above[i]);
			}
		}
	}
	return rows;
}

}  // namespace

std::vector<uchar> encodePng(const cv::Mat& image, PngSettings settings)
{
	if (image.empty())
	{
		throw cv::Exception(cv::Error::StsBadArg, "no image to encode", __func__, __FILE__, __LINE__);
	}
	const int channels = image.channels();
	if (image.depth() != CV_8U || channels == 2 || image.dims != 2)
	{
		std::vector<uchar> bytes;
		cv::imencode(".png", image, bytes);
		return bytes;
	}
	const std::vector<uchar> rows = filteredRows(image, settings.filter);
	libdeflate_compressor& deflater = compressor(settings.level);

	std::vector<uchar> out(signature.begin(), signature.end());
	const std::size_t bound = libdeflate_zlib_compress_bound(&deflater, rows.size());
	out.reserve(out.size() + 25 + 12 + bound + 12);

	std::size_t start = out.size();
	out.resize(start + 8);
	putBigEndian(out, std::uint32_t(image.cols));
	putBigEndian(out, std::uint32_t(image.rows));
	const uchar colourType = channels == 1 ? grey : channels == 3 ? rgb : rgba;
	// Bit depth 8, the colour type, deflate, adaptive filtering, no interlace.
	out.insert(out.end(), {8, colourType, 0, 0, 0});
	closeChunk(out, start, "IHDR");

	start = out.size();
	out.resize(start + 8 + bound);
	const std::size_t compressed = libdeflate_zlib_compress(&deflater, rows.data(), rows.size(), out.data() + start + 8, bound);
	CV_Assert(compressed > 0);
	out.resize(start + 8 + compressed);
	closeChunk(out, start, "IDAT");

	start = out.size();
	out.resize(start + 8);
	closeChunk(out, start, "IEND");
	return out;
}
