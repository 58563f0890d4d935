#include "analysis/Thinning.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

/// Bit i of a neighbourhood code is the neighbour i clockwise from the one
/// above: bit 0 is P2, bit 7 is P9 in the usual Zhang-Suen naming.
constexpr int neighbourCount = 8;

/// Whether a pixel with this neighbourhood is removed in the given
/// sub-iteration: one run of set neighbours (A = 1), 2 <= B <= 6, and the two
/// side products zero. The same test as thinningSubIteration, taken once for
/// each of the 256 neighbourhoods.
bool removable(unsigned code, int subIteration)
{
	const auto p = [code](int i) { return (code >> (i % neighbourCount)) & 1u; };
	int transitions = 0;
	int set = 0;
	for (int i = 0; i < neighbourCount; ++i)
	{
		transitions += (p(i) == 0 && p(i + 1) == 1) ? 1 : 0;
		set += int(p(i));
	}
	const unsigned p2 = p(0), p4 = p(2), p6 = p(4), p8 = p(6);
	const bool onSide = subIteration == 0 ? (p2 & p4 & p6) == 0 && (p4 & p6 & p8) == 0
	                                      : (p2 & p4 & p8) == 0 && (p2 & p6 & p8) == 0;
	return transitions == 1 && set >= 2 && set <= 6 && onSide;
}

using RemovalTable = std::array<bool, 256>;

RemovalTable removalTable(int subIteration)
{
	RemovalTable table{};
	for (unsigned code = 0; code < table.size(); ++code)
	{
		table[code] = removable(code, subIteration);
	}
	return table;
}

/// A 0/1 image being thinned. Only set pixels with a clear neighbour can ever
/// be removed (a pixel with eight set neighbours has B = 8), and a pixel kept
/// by one sub-iteration is kept by the next one of the same kind unless a
/// neighbour went in between. So each kind of sub-iteration has a list of the
/// pixels worth looking at: at first every border pixel, later the set
/// neighbours of removed pixels. The work follows the removals instead of
/// sweeping the whole image in every round.
class BorderThinning
{
public:
	explicit BorderThinning(cv::Mat& image)
		: pixels(image.data), width(image.cols), flags(image.size(), CV_8UC1, cv::Scalar(outerFlag))
	{
		// The outermost rows and columns are never examined nor removed.
		flags(cv::Rect(1, 1, image.cols - 2, image.rows - 2)).setTo(0);
		offsets = {-width, -width + 1, 1, width + 1, width, width - 1, -1, -width - 1};
		for (int y = 1; y < image.rows - 1; ++y)
		{
			enlistBorderPixels(y * width + 1, y * width + width - 1);
		}
	}

	/// Runs both sub-iterations until a round removes nothing.
	void run()
	{
		static const RemovalTable tables[2] = {removalTable(0), removalTable(1)};
		bool changed = true;
		while (changed)
		{
			const bool first = subIteration(0, tables[0]);
			const bool second = subIteration(1, tables[1]);
			changed = first || second;
		}
	}

private:
	static constexpr uchar outerFlag = 4;

	static uchar pendingFlag(int kind) { return uchar(1 << kind); }

	unsigned code(int index) const
	{
		const uchar* p = pixels + index;
		unsigned result = 0;
		for (int i = 0; i < neighbourCount; ++i)
		{
			result |= unsigned(p[offsets[i]]) << i;
		}
		return result;
	}

	/// Set pixels in [begin, end) of one row with a clear neighbour go on both
	/// lists. Runs of clear pixels are skipped eight at a time.
	void enlistBorderPixels(int begin, int end)
	{
		int index = begin;
		while (index < end)
		{
			uint64_t eight = 0;
			if (index + 8 <= end && (std::memcpy(&eight, pixels + index, sizeof eight), eight == 0))
			{
				index += 8;
				continue;
			}
			if (pixels[index] != 0 && code(index) != 0xFF)
			{
				enlist(index);
			}
			++index;
		}
	}

	void enlist(int index)
	{
		for (int kind = 0; kind < 2; ++kind)
		{
			if ((flags.data[index] & pendingFlag(kind)) == 0)
			{
				flags.data[index] |= pendingFlag(kind);
				pending[kind].push_back(index);
			}
		}
	}

	/// Every decision is taken on the image as it was before the call, then
	/// all removals are applied together. Returns whether anything was removed.
	bool subIteration(int kind, const RemovalTable& table)
	{
		removed.clear();
		for (int index : pending[kind])
		{
			flags.data[index] &= uchar(~pendingFlag(kind));
			// A pixel removed by the other kind since it was listed is skipped.
			if (pixels[index] != 0 && table[code(index)])
			{
				removed.push_back(index);
			}
		}
		pending[kind].clear();
		for (int index : removed)
		{
			pixels[index] = 0;
		}
		// The set neighbours of a removed pixel have a new neighbourhood.
		for (int index : removed)
		{
			for (int offset : offsets)
			{
				const int neighbour = index + offset;
				if (pixels[neighbour] != 0 && (flags.data[neighbour] & outerFlag) == 0)
				{
					enlist(neighbour);
				}
			}
		}
		return !removed.empty();
	}

	uchar* pixels;
	int width;
	/// Steps to P2 ... P9 in a continuous image.
	std::array<int, neighbourCount> offsets{};
	/// Per pixel: on the list of sub-iteration 0 (bit 0), of 1 (bit 1), or in
	/// the outermost rows and columns (outerFlag).
	cv::Mat flags;
	std::vector<int> pending[2];
	std::vector<int> removed;
};

}  // namespace

void thinMask(cv::Mat& mask)
{
	if (mask.empty())
	{
		return;
	}
	CV_Assert(mask.type() == CV_8UC1);
	mask.convertTo(mask, mask.type(), 1.0 / 255.0);
	if (mask.rows > 2 && mask.cols > 2)
	{
		// Pixel steps are taken in a continuous image; a view into a larger
		// image is thinned in a copy.
		cv::Mat image = mask.isContinuous() ? mask : mask.clone();
		BorderThinning(image).run();
		if (image.data != mask.data)
		{
			image.copyTo(mask);
		}
	}
	mask.convertTo(mask, mask.type(), 255.0);
}
