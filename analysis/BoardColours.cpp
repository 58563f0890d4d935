#include "analysis/BoardColours.h"

#include "analysis/ColourRanges.h"
#include "colour/Luma.h"
#include "markers/BoardLayout.h"
#include "tracking/RectifiedBoard.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

// A board whose paper reads neutral is left as the camera saw it, and every
// other is mapped so that paper reads the reference white: either way paper
// must fall in no ink class and read as no skin.
static_assert(PaperWhite::neutralBrightness > blackInk.high.y && PaperWhite::neutralBrightness > redInk.high.y,
	"paper that reads neutral would read as black or red ink");
static_assert(128 + PaperWhite::neutralChroma < yellowInk.low.cr && 128 - PaperWhite::neutralChroma > yellowInk.high.cb,
	"paper that reads neutral would read as yellow ink");
static_assert(128 + PaperWhite::neutralChroma < skinColour.low.cr, "paper that reads neutral would read as skin");
static_assert(PaperWhite::referenceWhite >= PaperWhite::neutralBrightness,
	"the reference white must itself read neutral");
// Paper within neutralChroma of grey in Cr (crScale (R - Y)) and Cb (cbScale
// (B - Y)) has its red and blue at most this far apart, green between them;
// as a share of its brightness that is its saturation, which a highlighter's
// exceeds.
constexpr double neutralSpread = PaperWhite::neutralChroma / crScale + PaperWhite::neutralChroma / cbScale;
static_assert(255.0 * neutralSpread / PaperWhite::neutralBrightness < highlighterInk.saturationLow
		&& 255.0 * neutralSpread / PaperWhite::neutralBrightness < paleHighlighterInk.saturationLow,
	"paper that reads neutral would read as a highlighter");


namespace
{

/// Markers, the card's code and the card are left out with a margin: this
/// factor about their centres. Read on the card's white round its code, a
/// shadow or a lamp's edge running onto the card is measured rather than
/// guessed from the paper beside it.
constexpr float markerMargin = 1.25f;
constexpr float codeShare = float(portalCodeSide / portalCardSide) * markerMargin;
constexpr float cardMargin = 1.1f;

void blankOut(cv::Mat& places, const std::vector<cv::Point2f>& corners, float grow)
{
	if (corners.size() != 4)
	{
		return;
	}
	const cv::Point2f centre = (corners[0] + corners[1] + corners[2] + corners[3]) * 0.25f;
	std::vector<cv::Point> grown;
	for (const cv::Point2f& corner : corners)
	{
		const cv::Point2f p = centre + (corner - centre) * grow;
		if (!std::isfinite(p.x) || !std::isfinite(p.y))
		{
			return;
		}
		grown.emplace_back(cvRound(p.x), cvRound(p.y));
	}
	cv::fillConvexPoly(places, grown, cv::Scalar(0));
}

}  // namespace

cv::Mat boardPaperPlaces(const RectifiedBoard& board, CardLeftOut card)
{
	cv::Mat places(board.colour.size(), CV_8UC1, cv::Scalar(255));
	for (const std::vector<cv::Point2f>& outline : board.markerOutlines)
	{
		blankOut(places, outline, markerMargin);
	}
	if (board.portalVisible && board.portalCorners.size() == 4)
	{
		blankOut(places, portalCornersAround(board.portalCorners), card == CardLeftOut::Code ? codeShare : cardMargin);
	}
	return places;
}

cv::Mat normaliseBoardColours(const RectifiedBoard& board, PaperWhite* white)
{
	cv::Mat colours = board.colour.clone();
	if (!colours.empty())
	{
		const PaperWhite measured = PaperWhite::readAsNeutral(colours, boardPaperPlaces(board), boardPaperPlaces(board, CardLeftOut::Whole));
		if (white != nullptr)
		{
			*white = measured;
		}
	}
	return colours;
}

cv::Mat handTestColours(const RectifiedBoard& board, const PaperWhite* white)
{
	cv::Mat colours = board.colour.clone();
	if (colours.empty())
	{
		return colours;
	}
	if (white != nullptr)
	{
		white->normaliseSmoothly(colours);
	}
	else
	{
		PaperWhite::measure(colours, boardPaperPlaces(board), boardPaperPlaces(board, CardLeftOut::Whole)).normaliseSmoothly(colours);
	}
	return colours;
}

ScanColours scanColours(const RectifiedBoard& board)
{
	if (board.colour.empty())
	{
		return camerasColours(board);
	}
	const cv::Mat paper = boardPaperPlaces(board);
	const PaperWhite white = PaperWhite::measureSmoothly(board.colour, paper, boardPaperPlaces(board, CardLeftOut::Whole));
	// The hand test's picture needs the smooth field alone, and is made first
	// on all of OpenCV's threads; the local white and the segmentation's
	// picture are made beside the hand test.
	ScanColours colours;
	colours.handTest = board.colour.clone();
	white.normaliseSmoothly(colours.handTest);
	colours.ink = std::async(std::launch::async, [local = white, paper, ink = board.colour.clone()]() mutable {
		local.followLocalLight(paper);
		if (!local.readsNeutral())
		{
			local.normalise(ink);
		}
		return ink;
	});
	return colours;
}

ScanColours camerasColours(const RectifiedBoard& board)
{
	std::promise<cv::Mat> ink;
	ink.set_value(board.colour);
	return ScanColours{board.colour, ink.get_future()};
}
