#include "analysis/HandOutline.h"

#include "colour/PaperWhite.h"
#include "colour/SharpEdges.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <vector>

namespace handOutline
{

static_assert(darkLimit < PaperWhite::referenceWhite * 0.5, "a hand's shadow on paper would read as dark");

namespace
{

/// A step across a region's border of this much (the range of luma over
/// 3 x 3 cells plus the ranges of Cr and Cb) is an outline: the darker rim of
/// a hand against paper, or the palest skin's warmth, give more, and a light's
/// soft edge far less. Where a lamp clips a channel the colour changes
/// abruptly but the light does not: chroma counts no more than luma.
constexpr int sharpStep = 24;
/// A region with at least this share of its border outlined is an object;
/// what cannot be seen counts neither way, but at least `seenShare` of the
/// border must be seen: paper that strokes close in out to the board's edge
/// shows nothing but its pen lines, the edge and the markers.
constexpr double outlinedShare = 0.5;
constexpr double seenShare = 0.25;

/// Paper darker than white by this share or more, neither dark nor further
/// from grey than `greyChroma` in Cr and Cb, is in a shadow: a hand's own
/// shadow takes 20 to 50 % of the light, less along its soft edge. The palest
/// skin's rim beside it reads as dark and nearly as grey, so a soft step
/// within `shadowReach` cells of such paper says nothing of an outline.
constexpr double shadowedShare = 0.1;
constexpr int greyChroma = 4;
constexpr int shadowReach = 2;
/// At most this share of a border seen is excused for lying beside a shadow:
/// the side of a hand its shadow falls on, not a shadow's whole soft edge
/// round its dark middle.
constexpr double excusedShare = 0.5;

/// The cut along an outline reaches this far (cells) from its steepest steps.
constexpr int bandReach = 3;
/// A region cut along its steep places grows back over the cut by this many
/// cells: the band reaches a cell or two either side of an edge, one more
/// where the edge is a little soft.
constexpr int cutGrowth = 3;

/// A pen line's steps reach this many cells either side of its dark middle.
constexpr int lineReach = 2;
/// A pen line has paper on both sides: of the cells from 2 to `flankReach`
/// beside it, at least `paperFlank` read at least `paperLuma`. A thing's dark
/// rim (the shaded edge of a hand of middle skin) has the thing on one side.
constexpr int flankReach = 3;
constexpr double paperFlank = 0.8;
constexpr double paperLuma = PaperWhite::referenceWhite * 0.75;

cv::Mat square(int side)
{
	return cv::getStructuringElement(cv::MORPH_RECT, cv::Size(side, side));
}

/// The sharp places about steep steps (255): steps that are a thing's edge
/// rather than the light's (sharperThanLight), and the `sharp` places within
/// `bandReach` cells of them (where two edges meet, or an outline crosses a
/// light's edge, the steepest line breaks for a cell or two).
cv::Mat steepPlaces(const cv::Mat& ycrcb, const cv::Mat& step, const cv::Mat& sharp)
{
	cv::Mat steep = sharperThanLight(step, rangeOver(ycrcb, sharpEdgeWide)) & sharp;
	cv::dilate(steep, steep, square(2 * bandReach + 1));
	return steep & sharp;
}

/// Of the 8-connected lines of `lines`, those with paper on both sides
/// (paperFlank of the cells beside them, beyond their own blur).
cv::Mat withPaperBeside(const cv::Mat& lines, const cv::Mat& ycrcb)
{
	// Every cell takes the label of the line nearest to it.
	cv::Mat distance, labels;
	cv::distanceTransform(~lines, distance, labels, cv::DIST_L2, 3, cv::DIST_LABEL_CCOMP);
	double most = 0.0;
	cv::minMaxLoc(labels, nullptr, &most);
	std::vector<int> flank(size_t(most) + 1, 0), paper(size_t(most) + 1, 0);
	for (int y = 0; y < lines.rows; ++y)
	{
		const float* away = distance.ptr<float>(y);
		const int* label = labels.ptr<int>(y);
		const cv::Vec3b* colour = ycrcb.ptr<cv::Vec3b>(y);
		for (int x = 0; x < lines.cols; ++x)
		{
			if (away[x] > 1.5f && away[x] <= float(flankReach) + 0.5f)
			{
				++flank[size_t(label[x])];
				paper[size_t(label[x])] += colour[x][0] >= paperLuma ? 1 : 0;
			}
		}
	}
	cv::Mat kept = cv::Mat::zeros(lines.size(), CV_8UC1);
	for (int y = 0; y < lines.rows; ++y)
	{
		const uchar* line = lines.ptr<uchar>(y);
		const int* label = labels.ptr<int>(y);
		uchar* out = kept.ptr<uchar>(y);
		for (int x = 0; x < lines.cols; ++x)
		{
			const size_t l = size_t(label[x]);
			out[x] = line[x] != 0 && paper[l] >= paperFlank * flank[l] ? 255 : 0;
		}
	}
	return kept;
}

/// The places beside pen lines, as far as their steps reach: dark lines
/// narrower than `wideSide` with paper on both sides. The rim of a dark hand
/// or a fingertip touches something wide and dark; the shaded rim of a hand
/// of middle skin has the hand beside it; a hand of light skin has no dark rim.
cv::Mat besidePenLines(const cv::Mat& ycrcb)
{
	cv::Mat dark, wide;
	cv::inRange(ycrcb, cv::Scalar(0, 0, 0), cv::Scalar(darkLimit, 255, 255), dark);
	cv::morphologyEx(dark, wide, cv::MORPH_OPEN, square(wideSide));
	cv::Mat lines = dark & ~wide;
	cv::dilate(wide, wide, cv::Mat());
	lines &= ~regionsReaching(lines, wide);
	lines = withPaperBeside(lines, ycrcb);
	cv::dilate(lines, lines, square(2 * lineReach + 1));
	return lines;
}

/// Whether at least `outlinedShare` of the points of `outline` that can be
/// seen are `sharp` (255), soft points beside a shadow left out (at most
/// `excusedShare` of those seen), and at least `seenShare` of it is seen.
bool isOutlined(const std::vector<cv::Point>& outline, const cv::Mat& sharp, const OutlineView& view)
{
	size_t seen = 0;
	size_t steep = 0;
	size_t excused = 0;
	for (const cv::Point& p : outline)
	{
		if (view.hidden.at<uchar>(p) != 0)
		{
			continue;
		}
		++seen;
		const bool isSharp = sharp.at<uchar>(p) != 0;
		steep += isSharp ? 1 : 0;
		excused += !isSharp && view.besideShadow.at<uchar>(p) != 0 ? 1 : 0;
	}
	if (double(seen) < seenShare * double(outline.size()))
	{
		return false;
	}
	const double judged = double(seen - std::min(excused, size_t(excusedShare * double(seen))));
	return judged > 0.0 && double(steep) >= outlinedShare * judged;
}

/// The pieces of `failed` (regions whose outline is mostly soft) that are
/// outlined once it is cut along its `steep` places (steepPlaces), 255 in a
/// mask of its size.
/// A hand in a lamp's warm light reads as warm as the light around it: the two
/// are one region, whose border is mostly the light's soft edge, but the hand
/// keeps its outline within it, and the light's edge is soft. Each piece is
/// grown back over the cut it came from (within the region) and tested as a
/// region of its own: the lamp's paper that strokes close in is cut out along
/// pen lines, which are hidden, and shows no outline of its own. A piece too
/// small to be a hand is not looked at.
cv::Mat outlinedPieces(const cv::Mat& failed, const cv::Mat& steep, const OutlineView& view, int leastCells)
{
	const cv::Mat cut = failed & steep;
	cv::Mat labels;
	cv::Mat stats;
	cv::Mat centroids;
	// What the cut leaves narrower than a hand (paper between an outline and
	// the region's soft border) is no piece.
	cv::Mat left;
	cv::morphologyEx(failed & ~cut, left, cv::MORPH_OPEN, square(wideSide));
	const int count = cv::connectedComponentsWithStats(left, labels, stats, centroids, 4, CV_32S);
	cv::Mat pieces = cv::Mat::zeros(failed.size(), CV_8UC1);
	const cv::Rect picture(0, 0, failed.cols, failed.rows);
	for (int label = 1; label < count; ++label)
	{
		if (stats.at<int>(label, cv::CC_STAT_AREA) < leastCells)
		{
			continue;
		}
		const cv::Rect box(stats.at<int>(label, cv::CC_STAT_LEFT), stats.at<int>(label, cv::CC_STAT_TOP),
			stats.at<int>(label, cv::CC_STAT_WIDTH), stats.at<int>(label, cv::CC_STAT_HEIGHT));
		const cv::Rect around = (box + cv::Size(2 * cutGrowth + 2, 2 * cutGrowth + 2) - cv::Point(cutGrowth + 1, cutGrowth + 1)) & picture;
		cv::Mat piece = labels(around) == label;
		// Over the cut alone: the rim the opening took from a piece is no outline.
		const cv::Mat within = piece | cut(around);
		for (int i = 0; i < cutGrowth; ++i)
		{
			cv::dilate(piece, piece, square(3));
			piece &= within;
		}
		std::vector<std::vector<cv::Point>> outlines;
		cv::findContours(piece, outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE, around.tl());
		for (size_t i = 0; i < outlines.size(); ++i)
		{
			if (isOutlined(outlines[i], steep, view))
			{
				cv::drawContours(pieces, outlines, int(i), cv::Scalar(255), cv::FILLED);
			}
		}
	}
	return pieces & failed;
}

}  // namespace

OutlineView outlineView(const cv::Mat& ycrcb, const cv::Mat& candidates, const cv::Mat& leftOut)
{
	OutlineView view;
	cv::dilate(leftOut, view.hidden, cv::Mat());
	view.hidden |= besidePenLines(ycrcb);
	cv::rectangle(view.hidden, cv::Rect(0, 0, view.hidden.cols, view.hidden.rows), cv::Scalar(255), 1);
	cv::Mat shadowed;
	cv::inRange(ycrcb, cv::Scalar(darkLimit, 128 - greyChroma, 128 - greyChroma),
		cv::Scalar(PaperWhite::referenceWhite * (1.0 - shadowedShare), 128 + greyChroma, 128 + greyChroma), shadowed);
	shadowed &= ~candidates;
	cv::dilate(shadowed, view.besideShadow, square(2 * shadowReach + 1));
	return view;
}

cv::Mat outlinedRegions(const cv::Mat& mask, const cv::Mat& ycrcb, const OutlineView& view, int leastCells)
{
	const cv::Mat step = rangeOver(ycrcb, sharpEdgeNear);
	const cv::Mat sharp = step >= sharpStep;
	// Holes (ink lines inside a region) are not its outline.
	std::vector<std::vector<cv::Point>> outlines;
	cv::findContours(mask, outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
	cv::Mat regions = cv::Mat::zeros(mask.size(), CV_8UC1);
	cv::Mat failed = cv::Mat::zeros(mask.size(), CV_8UC1);
	for (size_t i = 0; i < outlines.size(); ++i)
	{
		cv::drawContours(isOutlined(outlines[i], sharp, view) ? regions : failed, outlines, int(i), cv::Scalar(255), cv::FILLED);
	}
	failed &= mask;
	if (cv::countNonZero(failed) >= leastCells)
	{
		regions |= outlinedPieces(failed, steepPlaces(ycrcb, step, sharp), view, leastCells);
	}
	return regions & mask;
}

cv::Mat regionsReaching(const cv::Mat& mask, const cv::Mat& zone)
{
	cv::Mat labels;
	const int count = cv::connectedComponents(mask, labels, 8, CV_32S);
	std::vector<unsigned char> reaches(size_t(count), 0);
	for (int y = 0; y < labels.rows; ++y)
	{
		const int* label = labels.ptr<int>(y);
		const unsigned char* inZone = zone.ptr<unsigned char>(y);
		for (int x = 0; x < labels.cols; ++x)
		{
			reaches[size_t(label[x])] |= inZone[x];
		}
	}
	reaches[0] = 0;  // the background
	cv::Mat regions(mask.size(), CV_8UC1);
	for (int y = 0; y < labels.rows; ++y)
	{
		const int* label = labels.ptr<int>(y);
		unsigned char* out = regions.ptr<unsigned char>(y);
		for (int x = 0; x < labels.cols; ++x)
		{
			out[x] = reaches[size_t(label[x])] != 0 ? 255 : 0;
		}
	}
	return regions;
}

}  // namespace handOutline
