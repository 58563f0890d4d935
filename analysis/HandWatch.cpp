#include "analysis/HandWatch.h"

#include "analysis/BoardColours.h"
#include "analysis/ColourRanges.h"
#include "analysis/HandOutline.h"
#include "colour/PaperWhite.h"
#include "tracking/RectifiedBoard.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace handOutline;

namespace
{

/// The test reads the board at half its size: a hand is large, and the lines
/// it must be told from are taken out by the opening at any scale.
constexpr int reduction = 2;

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
/// Towards a hand's rim, where the palest skin is shaded, it keeps less of
/// its warmth but reads darker than paper: a little warm is enough there to
/// outline the hand where its rim lies, though not to count to its share.
constexpr YCrCb shadedWarmLow = {0, 129, 0};
constexpr YCrCb shadedWarmHigh = {int(PaperWhite::referenceWhite * 0.93), 255, 127};

/// A region comes in across the edge when it reaches this close to the
/// picture's border or to the part of it the camera did not see (reduced pixels).
constexpr int edgeBand = 2;

/// Markers are left out of the paper with this margin about their centres
/// (as boardPaperPlaces does); a region reaching one reaches the edge.
constexpr float markerGrowth = 1.25f;

/// Where the room's light was measured a little off, or the picture's own
/// paper bends it towards a hand that reads almost as paper, the lightest skin
/// is still warmer than the paper round it: its blue this much below the
/// paper's within `ringReach` cells of it (beyond `ringGap`), where paper read
/// as a neutral room shows it differs from itself by a level or two. What may
/// be such skin is a little warm at least (looseWarmHigh).
constexpr double warmContrast = 3.0;
constexpr int ringGap = 2;
constexpr int ringReach = 8;
constexpr YCrCb looseWarmLow = {0, 129, 0};
constexpr YCrCb looseWarmHigh = {int(PaperWhite::referenceWhite) - 4, 255, 127};

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

/// The wide regions of what is a little warm (looseWarmLow to looseWarmHigh,
/// `leftOut` left out) whose blue lies warmContrast or more below the paper's
/// round them, 255 in a mask of its size. Regions of fewer than `leastCells`
/// cells are not looked at.
cv::Mat warmerThanThePaperRound(const cv::Mat& ycrcb, const cv::Mat& leftOut, int leastCells)
{
	cv::Mat loose;
	cv::inRange(ycrcb, cv::Scalar(looseWarmLow.y, looseWarmLow.cr, looseWarmLow.cb),
		cv::Scalar(looseWarmHigh.y, looseWarmHigh.cr, looseWarmHigh.cb), loose);
	loose &= ~leftOut;
	cv::Mat wide;
	cv::morphologyEx(loose, wide, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(wideSide, wideSide)));
	// The paper round a region: bright and neither warm nor left out.
	cv::Mat paper;
	cv::inRange(ycrcb, cv::Scalar(darkLimit, 0, 0), cv::Scalar(255, 255, 255), paper);
	paper &= ~loose & ~leftOut;
	cv::Mat labels, stats, centroids;
	const int count = cv::connectedComponentsWithStats(wide, labels, stats, centroids, 8, CV_32S);
	cv::Mat warmer = cv::Mat::zeros(ycrcb.size(), CV_8UC1);
	const cv::Rect picture(0, 0, ycrcb.cols, ycrcb.rows);
	for (int label = 1; label < count; ++label)
	{
		if (stats.at<int>(label, cv::CC_STAT_AREA) < leastCells)
		{
			continue;
		}
		const cv::Rect box = cv::Rect(stats.at<int>(label, cv::CC_STAT_LEFT) - ringReach,
								 stats.at<int>(label, cv::CC_STAT_TOP) - ringReach,
								 stats.at<int>(label, cv::CC_STAT_WIDTH) + 2 * ringReach,
								 stats.at<int>(label, cv::CC_STAT_HEIGHT) + 2 * ringReach)
			& picture;
		const cv::Mat region = labels(box) == label;
		cv::Mat near, round;
		cv::dilate(region, near, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * ringGap + 1, 2 * ringGap + 1)));
		cv::dilate(region, round, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * ringReach + 1, 2 * ringReach + 1)));
		round &= ~near & paper(box);
		if (cv::countNonZero(round) == 0)
		{
			continue;
		}
		const double blueInside = cv::mean(ycrcb(box), region)[2];
		const double blueRound = cv::mean(ycrcb(box), round)[2];
		if (blueRound - blueInside >= warmContrast)
		{
			warmer(box).setTo(255, region);
		}
	}
	return warmer;
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
	cv::Mat shadedWarm;
	cv::inRange(ycrcb, skinColour.lower(), skinColour.upper(), skin);
	cv::inRange(ycrcb, cv::Scalar(0, 0, 0), cv::Scalar(darkLimit, 255, 255), dark);
	cv::inRange(ycrcb, cv::Scalar(warmLow.y, warmLow.cr, warmLow.cb), cv::Scalar(warmHigh.y, warmHigh.cr, warmHigh.cb), warm);
	cv::inRange(ycrcb, cv::Scalar(shadedWarmLow.y, shadedWarmLow.cr, shadedWarmLow.cb),
		cv::Scalar(shadedWarmHigh.y, shadedWarmHigh.cr, shadedWarmHigh.cb), shadedWarm);

	// Dark or skin-coloured paper, the markers, the card and what the camera
	// did not see left out, and then only what is wider than any pen line.
	const cv::Mat unseen = reducedUnseen(board, full, reduced);
	const cv::Mat leftOut = ~reducedPaperPlaces(board, full, reduced) | unseen;
	const cv::Mat candidates = (skin | dark | warm) & ~leftOut;
	const double cells = double(reduced.area());
	const int leastCells = int(std::ceil(leastHandShare * cells));
	// What may outline a hand: the candidates, with the palest skin's shaded
	// rim and its speckle closed, and what is warmer than the paper round it;
	// only what is wider than any pen line. How much of the board a hand
	// covers is measured on the candidates alone.
	cv::Mat wide, wideCandidates;
	const cv::Mat wideSquare = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(wideSide, wideSide));
	cv::morphologyEx(candidates, wideCandidates, cv::MORPH_OPEN, wideSquare);
	cv::morphologyEx(candidates | (shadedWarm & ~leftOut), wide, cv::MORPH_CLOSE, cv::Mat());
	cv::morphologyEx(wide & ~leftOut, wide, cv::MORPH_OPEN, wideSquare);
	wide |= warmerThanThePaperRound(ycrcb, leftOut, leastCells);

	// Of the outlined regions, what the last drawing does not explain, and of
	// that what comes in across the edge.
	const cv::Mat objects = outlinedRegions(wide, ycrcb, outlineView(ycrcb, candidates, leftOut), leastCells);
	cv::Mat fresh = objects.clone();
	if (drawn.size() == reduced)
	{
		cv::Mat grown;
		cv::dilate(drawn, grown, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * drawnGrowth + 1, 2 * drawnGrowth + 1)));
		fresh.setTo(0, grown);
	}
	const cv::Mat hand = regionsReaching(fresh, edgeZone(unseen, board));
	const int handCells = cv::countNonZero(hand);
	// The opening took the hand's rim and the gaps between its fingers: they
	// count to its share.
	cv::Mat covered = hand & wideCandidates;
	for (int i = 0; i < wideSide / 2; ++i)
	{
		cv::dilate(covered, covered, cv::Mat());
		covered &= candidates;
	}

	HandSighting sighting;
	const cv::Mat skinOnObjects = skin & objects & wideCandidates;
	sighting.seen = cv::countNonZero(skinOnObjects) > skinHandShare * cells || handCells >= leastHandShare * cells;
	cv::Mat sighted = skinOnObjects | covered;
	if (cv::countNonZero(sighted) < leastCells)
	{
		// The palest hand, found by what outlines it rather than by its
		// colour, covers its region.
		sighted |= hand;
	}
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
