#include "colour/PaperCells.h"

#include "colour/Luma.h"
#include "colour/SharpEdges.h"

#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <vector>

namespace
{

/// The cells are measured on a picture of half the size: a board pixel is
/// finer than anything the light does.
constexpr int shrink = 2;
constexpr int side = PaperCells::cellSide / shrink;

/// Closing with a square of this side (half-size pixels) takes dark lines up
/// to 6 half-size pixels wide out: every pen stroke and ring, 12 board pixels
/// and less with the colour compression bleeds round it, while hands and
/// filled patches stay.
constexpr int inkCover = 7;
/// A place at least this much darker than the closed picture in any channel
/// (grey levels, or this share of the level) is ink: noise and paper grain
/// stay below, a highlighter's blue does not.
constexpr int inkContrast = 11;
constexpr double inkContrastShare = 0.06;
/// The paper round ink, as far as blur and compression spread its colour
/// (half-size pixels, a square this wide round each ink place), is left out too.
constexpr int inkMargin = 5;

/// A cell with fewer measurable places than a quarter of it is unseen.
constexpr int fewestPlaces = side * side / 4;

/// Edges smaller than this, in grey levels and as a share of the level, are
/// paper grain, noise and compression, not the edge of a thing.
constexpr int smallestEdge = 16;
constexpr double smallestEdgeShare = 0.1;
/// A cell holding fewer sharp places than this holds no edge: a speck of noise.
constexpr int fewestSharpPlaces = 2;

/// Two cells whose paper differs by less than this in every channel (log
/// units, about 10 %) are joined whatever lies between them.
constexpr float separatingStep = 0.1f;

/// Per place, whether any channel of `flags` (three channels, 0 or 255) is set.
cv::Mat anyChannel(const cv::Mat& flags)
{
	cv::Mat planes[3];
	cv::split(flags, planes);
	return planes[0] | planes[1] | planes[2];
}

/// Per place and channel, 255 where `value` is at least `share` of `level`
/// and at least `least`.
cv::Mat atLeastShareOf(const cv::Mat& value, const cv::Mat& level, double share, int least)
{
	cv::Mat bound;
	level.convertTo(bound, CV_8U, share);
	cv::max(bound, cv::Scalar::all(least), bound);
	cv::Mat atLeast;
	cv::compare(value, bound, atLeast, cv::CMP_GE);
	return atLeast;
}

/// Per pixel of `picture` (8-bit BGR), 255 in `clipped` where it is clipped
/// (PaperCells::clipped) and in `lit` where any channel reads above 0.
void clippedAndLit(const cv::Mat& picture, cv::Mat& clipped, cv::Mat& lit)
{
	clipped.create(picture.size(), CV_8U);
	lit.create(picture.size(), CV_8U);
	for (int row = 0; row < picture.rows; ++row)
	{
		const uchar* in = picture.ptr<uchar>(row);
		uchar* atTop = clipped.ptr<uchar>(row);
		uchar* seen = lit.ptr<uchar>(row);
		int col = 0;
#if CV_SIMD128
		// Sixteen pixels at a time: two of the three channels at the top.
		const cv::v_uint8x16 top = cv::v_setall_u8(uchar(PaperCells::clipLevel)), black = cv::v_setzero_u8();
		for (; col + 16 <= picture.cols; col += 16)
		{
			cv::v_uint8x16 b, g, r;
			cv::v_load_deinterleave(in + 3 * col, b, g, r);
			const cv::v_uint8x16 topB = b >= top, topG = g >= top, topR = r >= top;
			cv::v_store(atTop + col, (topB & topG) | (topB & topR) | (topG & topR));
			cv::v_store(seen + col, ~((b | g | r) == black));
		}
#endif
		for (; col < picture.cols; ++col)
		{
			const uchar* bgr = in + 3 * col;
			atTop[col] = PaperCells::clipped(bgr) ? 255 : 0;
			seen[col] = (bgr[0] | bgr[1] | bgr[2]) != 0 ? 255 : 0;
		}
	}
}

/// What each half-size pixel is: measurable when all four of its pixels may
/// show paper, are not black and are not clipped (255 in `measurable`);
/// clipped when any of them is (255 in `clipped`).
void sortPlaces(const cv::Mat& picture, const cv::Mat& paper, cv::Size half, cv::Mat& measurable, cv::Mat& clipped)
{
	cv::Mat clip, lit;
	clippedAndLit(picture, clip, lit);
	const cv::Mat usable = paper & lit & ~clip;
	cv::Mat shrunk;
	cv::resize(usable, shrunk, half, 0, 0, cv::INTER_AREA);
	measurable = shrunk == 255;
	cv::resize(clip & paper, shrunk, half, 0, 0, cv::INTER_AREA);
	clipped = shrunk != 0;
}

/// Places on a sharp edge (colour/SharpEdges.h) of the closed picture's
/// darkest channel (a thing on the board is darker than the paper in some
/// channel), but for `blind` ones (near places outside the paper, whose
/// borders are no edge of anything on the board). Clipped places read white:
/// what lies sharply beside them is darker than paper.
cv::Mat sharpPlaces(const cv::Mat& closed, const cv::Mat& blind)
{
	cv::Mat planes[3], darkest;
	cv::split(closed, planes);
	cv::min(planes[0], planes[1], darkest);
	cv::min(darkest, planes[2], darkest);
	const cv::Mat nearRange = rangeOver(darkest, sharpEdgeNear);
	const cv::Mat wideRange = rangeOver(darkest, sharpEdgeWide);
	const cv::Mat nearby = sharperThanLight(nearRange, wideRange);
	return atLeastShareOf(wideRange, darkest, smallestEdgeShare, smallestEdge) & nearby & ~blind;
}

/// Places darker than the closed picture round them (pen lines), and the
/// paper round them as far as their colour spreads.
cv::Mat inkPlaces(const cv::Mat& shrunk, const cv::Mat& closed)
{
	cv::Mat ink = anyChannel(atLeastShareOf(closed - shrunk, closed, inkContrastShare, inkContrast));
	cv::dilate(ink, ink, cv::getStructuringElement(cv::MORPH_RECT, {inkMargin, inkMargin}));
	return ink;
}

/// The half-size picture `places` (8-bit, one channel of 0 or 255, or three
/// of levels) padded to whole cells and averaged per cell, as floats.
cv::Mat perCell(const cv::Mat& places, cv::Size grid)
{
	cv::Mat padded, mean;
	cv::copyMakeBorder(places, padded, 0, grid.height * side - places.rows, 0, grid.width * side - places.cols,
		cv::BORDER_CONSTANT, cv::Scalar::all(0));
	padded.convertTo(padded, CV_MAKETYPE(CV_32F, places.channels()));
	cv::resize(padded, mean, grid, 0, 0, cv::INTER_AREA);
	return mean;
}

/// How many of each cell's places `places` (0 or 255) marks.
cv::Mat countPerCell(const cv::Mat& places, cv::Size grid)
{
	cv::Mat count;
	perCell(places, grid).convertTo(count, CV_8U, side * side / 255.0);
	return count;
}

int root(std::vector<int>& parent, int i)
{
	while (parent[size_t(i)] != i)
	{
		parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
		i = parent[size_t(i)];
	}
	return i;
}

}  // namespace

cv::Mat clippedPlaces(const cv::Mat& picture)
{
	CV_Assert(picture.type() == CV_8UC3);
	cv::Mat clipped, lit;
	clippedAndLit(picture, clipped, lit);
	return clipped;
}

/// Where too little paper is left to read, the closed picture's mean over
/// the cell's measurable places, as log colours (every channel at least 2
/// grey levels, so that 0 marks a cell not read). Few cells are unseen: they
/// are read one by one.
void PaperCells::readRoughly(const cv::Mat& closed, const cv::Mat& measurable)
{
	for (int row = 0; row < grid().height; ++row)
	{
		for (int col = 0; col < grid().width; ++col)
		{
			if (state(row, col) != Unseen)
			{
				continue;
			}
			const cv::Rect block = cv::Rect(col * side, row * side, side, side) & cv::Rect(0, 0, closed.cols, closed.rows);
			const int seen = cv::countNonZero(measurable(block));
			if (seen >= fewestPlaces)
			{
				const cv::Vec3f mean = cv::Vec3f(cv::Vec3d(cv::mean(closed(block), measurable(block)).val));
				roughLogColours.at<cv::Vec3f>(row, col) = cv::Vec3f(std::log(std::max(mean[0], 2.0f)),
					std::log(std::max(mean[1], 2.0f)), std::log(std::max(mean[2], 2.0f)));
			}
		}
	}
}

int PaperCells::count(State which) const
{
	return states.empty() ? 0 : cv::countNonZero(states == uchar(which));
}

PaperCells PaperCells::measure(const cv::Mat& picture, const cv::Mat& paper)
{
	CV_Assert(picture.type() == CV_8UC3 && paper.type() == CV_8UC1 && paper.size() == picture.size());
	const cv::Size half((picture.cols + shrink - 1) / shrink, (picture.rows + shrink - 1) / shrink);
	const cv::Size grid((half.width + side - 1) / side, (half.height + side - 1) / side);
	PaperCells cells;
	cells.logColours = cv::Mat(grid, CV_32FC3, cv::Scalar::all(0.0));
	cells.states = cv::Mat(grid, CV_8U, cv::Scalar(Unseen));
	cells.roughLogColours = cv::Mat(grid, CV_32FC3, cv::Scalar::all(0.0));
	if (picture.empty())
	{
		return cells;
	}

	cv::Mat measurable, clipped;
	sortPlaces(picture, paper, half, measurable, clipped);
	cv::Mat shrunk, closed;
	cv::resize(picture, shrunk, half, 0, 0, cv::INTER_AREA);
	// Places outside the paper read black and clipped ones white, so that
	// closing spreads neither over the paper beside them.
	const cv::Mat outside = (measurable | clipped) == 0;
	shrunk.setTo(cv::Scalar::all(0), outside);
	shrunk.setTo(cv::Scalar::all(255), clipped);
	cv::morphologyEx(shrunk, closed, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, {inkCover, inkCover}));
	cv::Mat blind;
	cv::dilate(outside, blind, cv::getStructuringElement(cv::MORPH_RECT, {inkCover, inkCover}));
	const cv::Mat sharp = sharpPlaces(closed, blind);

	// Per cell: its paper, the mean of its places that show paper, away from
	// ink and from the edges of things; its sharp edges; whether an edge can
	// be told in it; and whether it is a clipped highlight.
	cv::Mat nearEdge;
	cv::dilate(sharp, nearEdge, cv::getStructuringElement(cv::MORPH_RECT, {sharpEdgeNear, sharpEdgeNear}));
	const cv::Mat paperPlaces = measurable & ~inkPlaces(shrunk, closed) & ~nearEdge;
	cv::Mat paperOnly(half, CV_8UC3, cv::Scalar::all(0));
	shrunk.copyTo(paperOnly, paperPlaces);
	const cv::Mat paperSum = perCell(paperOnly, grid);
	const cv::Mat paperCount = countPerCell(paperPlaces, grid);
	for (int row = 0; row < grid.height; ++row)
	{
		for (int col = 0; col < grid.width; ++col)
		{
			const int count = paperCount.at<uchar>(row, col);
			if (count >= fewestPlaces)
			{
				const cv::Vec3f mean = paperSum.at<cv::Vec3f>(row, col) * float(side * side) / float(count);
				cells.logColours.at<cv::Vec3f>(row, col) = cv::Vec3f(std::log(std::max(mean[0], 1.0f)),
					std::log(std::max(mean[1], 1.0f)), std::log(std::max(mean[2], 1.0f)));
				cells.states.at<uchar>(row, col) = Paper;
			}
		}
	}
	cells.readRoughly(closed, measurable);
	const cv::Mat sharpCells = countPerCell(sharp, grid) >= fewestSharpPlaces;
	const cv::Mat blindCells = countPerCell(blind, grid) > 0;
	const cv::Mat clippedCells = countPerCell(clipped, grid) * 2 >= side * side;

	// Join neighbours of one level, and neighbours of different levels that
	// no sharp edge separates where an edge can be told; remember the pairs
	// a sharp edge separates, darker cell first.
	const int n = grid.area();
	std::vector<int> parent(static_cast<size_t>(n));
	std::iota(parent.begin(), parent.end(), 0);
	std::vector<std::pair<int, int>> separated;
	for (int row = 0; row < grid.height; ++row)
	{
		for (int col = 0; col < grid.width; ++col)
		{
			const int a = row * grid.width + col;
			for (const cv::Point step : {cv::Point(1, 0), cv::Point(0, 1)})
			{
				const int r = row + step.y, c = col + step.x;
				if (r >= grid.height || c >= grid.width)
				{
					continue;
				}
				const int b = r * grid.width + c;
				const bool edge = sharpCells.at<uchar>(row, col) != 0 || sharpCells.at<uchar>(r, c) != 0;
				const bool seenA = cells.state(row, col) != Unseen, seenB = cells.state(r, c) != Unseen;
				const bool clippedA = clippedCells.at<uchar>(row, col) != 0, clippedB = clippedCells.at<uchar>(r, c) != 0;
				if (!seenA && !seenB && clippedA && clippedB)
				{
					// A clipped highlight is a group of its own.
					parent[size_t(root(parent, a))] = root(parent, b);
				}
				if (seenA != seenB && edge && (seenA ? clippedB : clippedA))
				{
					// A sharp edge beside a clipped highlight: the measured
					// cell is the darker.
					separated.emplace_back(seenA ? a : b, seenA ? b : a);
				}
				if (!seenA || !seenB)
				{
					continue;
				}
				const cv::Vec3f difference = cells.logColour(row, col) - cells.logColour(r, c);
				const float step3 = std::max({std::abs(difference[0]), std::abs(difference[1]), std::abs(difference[2])});
				const bool blindPair = blindCells.at<uchar>(row, col) != 0 || blindCells.at<uchar>(r, c) != 0;
				if (step3 < separatingStep || (!edge && !blindPair))
				{
					parent[size_t(root(parent, a))] = root(parent, b);
				}
				else if (edge)
				{
					const bool aDarker = lumaOf(cells.logColour(row, col)) < lumaOf(cells.logColour(r, c));
					separated.emplace_back(aDarker ? a : b, aDarker ? b : a);
				}
			}
		}
	}

	// A group is covered when it lies on the dark side of more of its sharp
	// edges than not, and what lies on their bright side (paper, or a clipped
	// highlight) is larger than it: a bright speck or a lamp's highlight on
	// the paper does not make the paper a thing on the board, and a hand
	// beside the paper, or on paper the light has clipped, does.
	std::vector<int> size(static_cast<size_t>(n), 0), darkSides(static_cast<size_t>(n), 0);
	for (int i = 0; i < n; ++i)
	{
		const bool counted = cells.states.at<uchar>(i / grid.width, i % grid.width) == Paper
			|| (cells.states.at<uchar>(i / grid.width, i % grid.width) == Unseen && clippedCells.at<uchar>(i / grid.width, i % grid.width) != 0);
		size[size_t(root(parent, i))] += counted ? 1 : 0;
	}
	std::set<std::pair<int, int>> brighterGroups;
	std::vector<long> brighterSize(static_cast<size_t>(n), 0);
	for (const auto& [darker, brighter] : separated)
	{
		const int dark = root(parent, darker);
		++darkSides[size_t(dark)];
		const int bright = root(parent, brighter);
		if (bright == dark)
		{
			// The two sides are joined round the edge's end: a step in the
			// paper, not the border of a thing lying on it.
			--darkSides[size_t(dark)];
			continue;
		}
		--darkSides[size_t(bright)];
		if (brighterGroups.insert({dark, bright}).second)
		{
			brighterSize[size_t(dark)] += size[size_t(bright)];
		}
	}
	for (int i = 0; i < n; ++i)
	{
		const int group = root(parent, i);
		uchar& state = cells.states.at<uchar>(i / grid.width, i % grid.width);
		if (state == Paper && darkSides[size_t(group)] > 0 && brighterSize[size_t(group)] > size[size_t(group)])
		{
			state = Covered;
		}
	}
	return cells;
}
