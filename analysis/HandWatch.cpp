#include "analysis/HandWatch.h"

#include "analysis/BoardColours.h"
#include "analysis/ColourRanges.h"
#include "colour/PaperWhite.h"
#include "colour/SharpEdges.h"
#include "tracking/RectifiedBoard.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// The test reads the board at half its size: a hand is large, and the lines
/// it must be told from are taken out by the opening at any scale.
constexpr int reduction = 2;

/// Darker than this (luma, paper near 240) is dark: the skin of the darkest
/// steps (about 35 to 50, a little more on palms and fingertips) and black ink
/// are below it, the soft shadow a hand casts (30 to 45 % darker than paper) is
/// above it.
constexpr int darkLimit = 100;
static_assert(darkLimit < PaperWhite::referenceWhite * 0.55, "a hand's shadow on paper would read as dark");

/// Paler than the skin colour range, the lightest skin still reads warm: less
/// blue than grey (Cb 128) and not less red (Cr 128), where paper read as a
/// neutral room shows it is grey within PaperWhite::neutralChroma. Its blue
/// is the surer sign: a webcam's compression keeps about half of the palest
/// skin's red (Cr 129 or 130 on shaded fingers in a dim room) and most of its
/// missing blue (Cb 123 to 125). A hand is never brighter than the paper it
/// lies on.
constexpr YCrCb warmLow = {0, 129, 0};
constexpr YCrCb warmHigh = {int(PaperWhite::referenceWhite) - 4, 255, 125};
static_assert(warmHigh.cb < 128 - PaperWhite::neutralChroma, "paper read as neutral would read as warm");

/// Side of the square that the opening keeps, in reduced pixels: 7 is 14 board
/// pixels, wider than a broad marker's line (about 10) and narrower than a
/// child's finger (about 18). Rings, strokes and their crossings go; hands,
/// forearms and filled areas stay.
constexpr int wideSide = 7;

/// A region comes in across the edge when it reaches this close to the
/// picture's border or to the part of it the camera did not see (reduced pixels).
constexpr int edgeBand = 2;

/// Markers are left out of the paper with this margin about their centres
/// (as boardPaperPlaces does); a region reaching one reaches the edge.
constexpr float markerGrowth = 1.25f;

/// A step across a region's border of this much (the range of luma over
/// 3 x 3 cells plus the ranges of Cr and Cb) is an outline: the darker rim of
/// a hand against paper, or the palest skin's warmth, give more, and a light's
/// soft edge far less. Where a lamp clips a channel the colour changes
/// abruptly but the light does not: chroma counts no more than luma.
constexpr int sharpStep = 24;
/// A region with at least this share of its border outlined is an object;
/// what the picture's edge cuts off counts neither way.
constexpr double outlinedShare = 0.5;
/// The cut along an outline reaches this far (cells) from its steepest steps.
constexpr int bandReach = 3;
/// A region cut along its steep places grows back over the cut by this many
/// cells: the band reaches a cell or two either side of an edge, one more
/// where the edge is a little soft.
constexpr int cutGrowth = 3;

/// A pen line's steps reach this many cells either side of its dark middle.
constexpr int lineReach = 2;

/// The least share of the board that a hand coming in covers: an adult's four
/// fingertips in at the board's edge cover about 3 %, a child's about 1 %.
constexpr double leastHandShare = 0.004;

/// Skin colour over more than this share of the board is a hand wherever it
/// lies (a mean skin mask of 10 on the 0 to 255 scale).
constexpr double skinHandShare = 10.0 / 255.0;

/// Two sightings are of one region lying just so when they differ in at
/// most this share of the cells either covers.
constexpr double sameRegionShare = 0.05;

/// The last drawing grows by this (reduced pixels) before a new board is held
/// to it: a rescan's rectification moves by a pixel or two.
constexpr int drawnGrowth = 2;

/// Where paper may show, reduced: the markers and the card left out. Every
/// place when the board does not say (no picture of its own).
cv::Mat reducedPaperPlaces(const RectifiedBoard& board, cv::Size full, cv::Size reduced)
{
	cv::Mat places = boardPaperPlaces(board, CardLeftOut::Whole);
	if (places.size() != full)
	{
		return cv::Mat(reduced, CV_8UC1, cv::Scalar(255));
	}
	// A cell partly on a marker or the card is left out whole.
	cv::Mat small;
	cv::resize(places, small, reduced, 0, 0, cv::INTER_AREA);
	return small == 255;
}

/// The cells the camera did not see: pure black in the board's grey picture,
/// which rectification leaves wherever the camera's view ends.
cv::Mat reducedUnseen(const RectifiedBoard& board, cv::Size full, cv::Size reduced)
{
	if (board.grey.size() != full || board.grey.type() != CV_8UC1)
	{
		return cv::Mat::zeros(reduced, CV_8UC1);
	}
	cv::Mat small;
	cv::resize(board.grey, small, reduced, 0, 0, cv::INTER_AREA);
	return small == 0;
}

/// The board's printed markers, grown as boardPaperPlaces grows them, filled
/// into a reduced mask.
void fillMarkers(cv::Mat& mask, const RectifiedBoard& board)
{
	for (const std::vector<cv::Point2f>& outline : board.markerOutlines)
	{
		if (outline.size() != 4)
		{
			continue;
		}
		const cv::Point2f centre = (outline[0] + outline[1] + outline[2] + outline[3]) * 0.25f;
		std::vector<cv::Point> grown;
		for (const cv::Point2f& corner : outline)
		{
			const cv::Point2f p = (centre + (corner - centre) * markerGrowth) / float(reduction);
			if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::abs(p.x) > 1e6f || std::abs(p.y) > 1e6f)
			{
				break;
			}
			grown.emplace_back(cvRound(p.x), cvRound(p.y));
		}
		if (grown.size() == 4)
		{
			cv::fillConvexPoly(mask, grown, cv::Scalar(255));
		}
	}
}

/// The picture's border band, and a band around the unseen cells and the
/// board's markers: where a hand that comes in from beyond the board shows
/// first. The markers lie at the board's edge, and a hand over one is cut
/// off there by leaving the markers out.
cv::Mat edgeZone(const cv::Mat& unseen, const RectifiedBoard& board)
{
	cv::Mat zone = unseen.clone();
	fillMarkers(zone, board);
	cv::dilate(zone, zone, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * edgeBand + 1, 2 * edgeBand + 1)));
	cv::rectangle(zone, cv::Rect(0, 0, zone.cols, zone.rows), cv::Scalar(255), 2 * edgeBand);
	return zone;
}

/// The regions of `mask` (8-connected) that reach into `zone`, 255 in a mask of its size.
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

/// The sharp places about steep steps (255): steps that are a thing's edge
/// rather than the light's (sharperThanLight), and the `sharp` places within
/// `bandReach` cells of them (where two edges meet, or an outline crosses a
/// light's edge, the steepest line breaks for a cell or two).
cv::Mat steepPlaces(const cv::Mat& ycrcb, const cv::Mat& step, const cv::Mat& sharp)
{
	cv::Mat steep = sharperThanLight(step, rangeOver(ycrcb, sharpEdgeWide)) & sharp;
	cv::dilate(steep, steep, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * bandReach + 1, 2 * bandReach + 1)));
	return steep & sharp;
}

/// Whether at least `outlinedShare` of the points of `outline` that lie
/// inside the picture are `sharp` (255). Where the picture cuts a
/// region off, nothing is known of its outline.
bool isOutlined(const std::vector<cv::Point>& outline, const cv::Mat& sharp)
{
	const cv::Rect inside(1, 1, sharp.cols - 2, sharp.rows - 2);
	size_t border = 0;
	size_t steep = 0;
	for (const cv::Point& p : outline)
	{
		if (inside.contains(p))
		{
			++border;
			steep += sharp.at<unsigned char>(p) != 0 ? 1 : 0;
		}
	}
	return border > 0 && double(steep) >= outlinedShare * double(border);
}

/// The pieces of `failed` (regions whose outline is mostly soft) that are
/// outlined once it is cut along its `steep` places (steepPlaces), 255 in a
/// mask of its size.
/// A hand in a lamp's warm light reads as warm as the light around it: the two
/// are one region, whose border is mostly the light's soft edge, but the hand
/// keeps its outline within it, and the light's edge is soft. Each piece is
/// grown back over the cut it came from (within the region) and tested as a
/// region of its own, by its steep places alone but those beside `penLines`
/// (besidePenLines): the lamp's paper that strokes close in is cut out along
/// them, and is paper. A piece too small to be a hand is not looked at.
cv::Mat outlinedPieces(const cv::Mat& failed, const cv::Mat& steep, const cv::Mat& penLines, int leastCells)
{
	const cv::Mat cut = failed & steep;
	const cv::Mat steepOfThings = steep & ~penLines;
	cv::Mat labels;
	cv::Mat stats;
	cv::Mat centroids;
	// What the cut leaves narrower than a hand (paper between an outline and
	// the region's soft border) is no piece.
	cv::Mat left;
	cv::morphologyEx(failed & ~cut, left, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(wideSide, wideSide)));
	const int count = cv::connectedComponentsWithStats(left, labels, stats, centroids, 4, CV_32S);
	cv::Mat pieces = cv::Mat::zeros(failed.size(), CV_8UC1);
	const cv::Mat cell = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
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
			cv::dilate(piece, piece, cell);
			piece &= within;
		}
		std::vector<std::vector<cv::Point>> outlines;
		cv::findContours(piece, outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE, around.tl());
		for (size_t i = 0; i < outlines.size(); ++i)
		{
			if (isOutlined(outlines[i], steepOfThings))
			{
				cv::drawContours(pieces, outlines, int(i), cv::Scalar(255), cv::FILLED);
			}
		}
	}
	return pieces & failed;
}

/// The places beside dark lines narrower than `wideSide` (pen lines; a
/// hand's shaded rim is far lighter than ink), as far as their steps reach.
/// Paper that strokes drawn out to the board's edge close in is cut out of a
/// lamp's light along them, but they are no outline of a thing on it.
cv::Mat besidePenLines(const cv::Mat& ycrcb)
{
	cv::Mat dark, wide;
	cv::inRange(ycrcb, cv::Scalar(0, 0, 0), cv::Scalar(darkLimit, 255, 255), dark);
	cv::morphologyEx(dark, wide, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(wideSide, wideSide)));
	// The rim of a dark hand, a fingertip, are no pen lines: what is thin
	// only where it touches something wide is left out.
	cv::Mat lines = dark & ~wide;
	cv::dilate(wide, wide, cv::Mat());
	lines &= ~regionsReaching(lines, wide);
	cv::dilate(lines, lines, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * lineReach + 1, 2 * lineReach + 1)));
	return lines;
}

/// The regions of `mask` with a sharp outline, 255 in a mask of its size.
/// Light changes softly across the paper, over 15 board pixels and more, and
/// a lamp or a light of another colour can tint a large region warm or dark;
/// a hand has an outline. A region is outlined when at least `outlinedShare`
/// of the points of its outer border see a step of `sharpStep` or more within
/// a cell on either side (the range of luma over 3 x 3 cells plus the ranges
/// of Cr and Cb). Holes (ink lines inside a region) are not its outline. Of a
/// region that is not, the outlined pieces (outlinedPieces) count.
cv::Mat outlinedRegions(const cv::Mat& mask, const cv::Mat& ycrcb, int leastCells)
{
	const cv::Mat step = rangeOver(ycrcb, sharpEdgeNear);
	const cv::Mat sharp = step >= sharpStep;
	std::vector<std::vector<cv::Point>> outlines;
	cv::findContours(mask, outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
	cv::Mat regions = cv::Mat::zeros(mask.size(), CV_8UC1);
	cv::Mat failed = cv::Mat::zeros(mask.size(), CV_8UC1);
	for (size_t i = 0; i < outlines.size(); ++i)
	{
		cv::drawContours(isOutlined(outlines[i], sharp) ? regions : failed, outlines, int(i), cv::Scalar(255), cv::FILLED);
	}
	failed &= mask;
	if (cv::countNonZero(failed) >= leastCells)
	{
		regions |= outlinedPieces(failed, steepPlaces(ycrcb, step, sharp), besidePenLines(ycrcb), leastCells);
	}
	return regions & mask;
}

/// Both regions the same, give or take sameRegionShare of what either covers.
bool sameRegion(const cv::Mat& a, const cv::Mat& b)
{
	if (a.empty() || a.size() != b.size())
	{
		return false;
	}
	const int either = cv::countNonZero(a | b);
	return either > 0 && cv::countNonZero(a ^ b) <= sameRegionShare * either;
}

}  // namespace

HandSighting HandWatch::look(const cv::Mat& colours, const RectifiedBoard& board)
{
	if (colours.empty())
	{
		return {};
	}
	const cv::Size full = colours.size();
	const cv::Size reduced(std::max(1, full.width / reduction), std::max(1, full.height / reduction));
	cv::Mat ycrcb;
	cv::resize(colours, ycrcb, reduced, 0, 0, cv::INTER_AREA);
	cv::cvtColor(ycrcb, ycrcb, cv::COLOR_BGR2YCrCb);
	cv::Mat skin;
	cv::Mat dark;
	cv::Mat warm;
	cv::inRange(ycrcb, skinColour.lower(), skinColour.upper(), skin);
	cv::inRange(ycrcb, cv::Scalar(0, 0, 0), cv::Scalar(darkLimit, 255, 255), dark);
	cv::inRange(ycrcb, cv::Scalar(warmLow.y, warmLow.cr, warmLow.cb), cv::Scalar(warmHigh.y, warmHigh.cr, warmHigh.cb), warm);

	// Dark or skin-coloured paper, the markers, the card and what the camera
	// did not see left out, and then only what is wider than any pen line.
	const cv::Mat unseen = reducedUnseen(board, full, reduced);
	const cv::Mat candidates = (skin | dark | warm) & reducedPaperPlaces(board, full, reduced) & ~unseen;
	cv::Mat wide;
	cv::morphologyEx(candidates, wide, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(wideSide, wideSide)));

	// Of the outlined regions, what the last drawing does not explain, and of
	// that what comes in across the edge.
	const double cells = double(reduced.area());
	const cv::Mat objects = outlinedRegions(wide, ycrcb, int(std::ceil(leastHandShare * cells)));
	cv::Mat fresh = objects.clone();
	if (drawn.size() == reduced)
	{
		cv::Mat grown;
		cv::dilate(drawn, grown, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * drawnGrowth + 1, 2 * drawnGrowth + 1)));
		fresh.setTo(0, grown);
	}
	cv::Mat hand = regionsReaching(fresh, edgeZone(unseen, board));
	const int handCells = cv::countNonZero(hand);
	// The opening took the hand's rim and the gaps between its fingers: they
	// count to its share.
	for (int i = 0; i < wideSide / 2; ++i)
	{
		cv::dilate(hand, hand, cv::Mat());
		hand &= candidates;
	}

	HandSighting sighting;
	const cv::Mat skinOnObjects = skin & objects;
	sighting.seen = cv::countNonZero(skinOnObjects) > skinHandShare * cells || handCells >= leastHandShare * cells;
	const cv::Mat sighted = skinOnObjects | hand;
	sighting.share = cv::countNonZero(sighted) / cells;
	sameSightings = sighting.seen && sameRegion(sighted, lastSighted) ? sameSightings + 1 : int(sighting.seen);
	lastSighted = sighting.seen ? sighted : cv::Mat();
	if (sameSightings >= settledSightings)
	{
		sighting.seen = false;
		sighting.settled = true;
		sameSightings = 0;
		lastSighted.release();
	}
	if (!sighting.seen)
	{
		// Only what is outlined is the drawing's: a region of light kept here
		// would hide every hand that comes in over it later.
		drawn = objects;
	}
	return sighting;
}
