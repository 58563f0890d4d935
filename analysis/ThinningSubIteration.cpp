#include "analysis/Thinning.h"

#include <cassert>

namespace
{

/// The eight neighbours of a pixel, clockwise from the one above; p[0] is P2
/// and p[7] is P9 in the usual Zhang-Suen naming.
struct Neighbourhood
{
	int p[8];

	Neighbourhood(const uchar* above, const uchar* row, const uchar* below, int x)
		: p{above[x], above[x + 1], row[x + 1], below[x + 1], below[x], below[x - 1], row[x - 1], above[x - 1]}
	{
	}

	/// Number of 0 -> 1 steps going once around the pixel: 1 means the pixel
	/// touches a single run of set neighbours, so removing it keeps the stroke connected.
	int transitions() const
	{
		int count = 0;
		for (int i = 0; i < 8; ++i)
		{
			count += (p[i] == 0 && p[(i + 1) % 8] == 1) ? 1 : 0;
		}
		return count;
	}

	int setCount() const
	{
		int count = 0;
		for (int value : p)
		{
			count += value;
		}
		return count;
	}

	/// The two products that must vanish: sub-iteration 0 looks at the
	/// south-east border (P2 P4 P6, P4 P6 P8), 1 at the north-west one
	/// (P2 P4 P8, P2 P6 P8).
	bool onRemovableSide(int subIteration) const
	{
		const int p2 = p[0], p4 = p[2], p6 = p[4], p8 = p[6];
		if (subIteration == 0)
		{
			return p2 * p4 * p6 == 0 && p4 * p6 * p8 == 0;
		}
		return p2 * p4 * p8 == 0 && p2 * p6 * p8 == 0;
	}
};

}  // namespace

void thinningSubIteration(cv::Mat& image, int subIteration)
{
	assert(image.type() == CV_8UC1);
	assert(subIteration == 0 || subIteration == 1);
	cv::Mat marker = cv::Mat::zeros(image.size(), CV_8UC1);
	for (int y = 1; y < image.rows - 1; ++y)
	{
		const uchar* above = image.ptr<uchar>(y - 1);
		const uchar* row = image.ptr<uchar>(y);
		const uchar* below = image.ptr<uchar>(y + 1);
		uchar* marks = marker.ptr<uchar>(y);
		for (int x = 1; x < image.cols - 1; ++x)
		{
			// The pixel's own value is not looked at: marking a clear pixel
			// changes nothing when the marks are applied.
			const Neighbourhood n(above, row, below, x);
			const int b = n.setCount();
			if (n.transitions() == 1 && b >= 2 && b <= 6 && n.onRemovableSide(subIteration))
			{
				marks[x] = 1;
			}
		}
	}
	image &= ~marker;
}
