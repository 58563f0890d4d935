#include "AnalysisTestSupport.h"

#include "analysis/BoardColours.h"
#include "tracking/RectifiedBoard.h"
#include "analysis/ColourRanges.h"
#include "analysis/GapClosing.h"
#include "analysis/Thinning.h"
#include "colour/PaperWhite.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

// The paper's white read off a board, where on the board it is read, and the
// yellow mask's small repairs. What the mapping does to whole boards in many
// rooms is the room matrix's.

namespace
{

/// A rectified board as a neutral camera sees it: paper, black and yellow
/// rings and strokes, marker-like black squares at the corners.
cv::Mat neutralBoard()
{
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	drawRing(board, cv::Point(420, 260), yellowPen);
	drawStroke(board, cv::Point(100, 400), cv::Point(500, 420));
	for (const cv::Point corner : {cv::Point(0, 0), cv::Point(590, 0), cv::Point(0, 430), cv::Point(590, 430)})
	{
		cv::rectangle(board, cv::Rect(corner, cv::Size(50, 50)), blackPen, cv::FILLED);
	}
	return board;
}

/// The board under a room's light: per channel gains times a level that
/// falls off from left to right and towards the corners.
cv::Mat lit(const cv::Mat& board, cv::Vec3d cast, double level, double falloff, double vignetting)
{
	cv::Mat out = board.clone();
	const cv::Point2d centre(board.cols / 2.0, board.rows / 2.0);
	for (int y = 0; y < board.rows; ++y)
	{
		for (int x = 0; x < board.cols; ++x)
		{
			const double r2 = ((x - centre.x) * (x - centre.x) + (y - centre.y) * (y - centre.y))
				/ (centre.x * centre.x + centre.y * centre.y);
			const double light = level * (1.0 - falloff * x / board.cols) * (1.0 - vignetting * r2);
			cv::Vec3b& p = out.at<cv::Vec3b>(y, x);
			for (int c = 0; c < 3; ++c)
			{
				p[c] = cv::saturate_cast<uchar>(p[c] * cast[c] * light);
			}
		}
	}
	return out;
}

cv::Mat everywhere(const cv::Mat& board)
{
	return cv::Mat(board.size(), CV_8UC1, cv::Scalar(255));
}

/// Pixels of `board` in a colour class, counted where `where` is set.
int inRange(const cv::Mat& board, const ColourRange& range, const cv::Mat& where)
{
	cv::Mat ycrcb, mask;
	cv::cvtColor(board, ycrcb, cv::COLOR_BGR2YCrCb);
	cv::inRange(ycrcb, range.lower(), range.upper(), mask);
	return cv::countNonZero(mask & where);
}

TEST(PaperWhite, ANeutralBrightBoardIsLeftExactlyAsItIs)
{
	const cv::Mat board = neutralBoard();
	for (const cv::Vec3d& cast : {cv::Vec3d(1, 1, 1), cv::Vec3d(0.99, 1.0, 1.0)})
	{
		cv::Mat read = lit(board, cast, 0.96, 0.1, 0.0);
		const cv::Mat before = read.clone();
		const PaperWhite white = PaperWhite::readAsNeutral(read, everywhere(read));
		EXPECT_TRUE(white.found());
		EXPECT_TRUE(white.readsNeutral());
		EXPECT_EQ(cv::norm(read, before, cv::NORM_INF), 0.0);
	}
}

/// Paper reads neutral up to neutralChroma from grey in Cr and in Cb and
/// down to neutralBrightness, and is left as it is; a little beyond any of
/// the three it is brought to the reference white.
TEST(PaperWhite, PaperJustBeyondNeutralIsNormalisedJustWithinIsLeft)
{
	struct Paper
	{
		const char* what;
		cv::Vec3d bgr;
		bool neutral;
	};
	const Paper papers[] = {{"Cr 1.6, Cb -1.0", {236, 237, 240}, true}, {"warm: Cr 2.1", {236, 237, 241}, false},
		{"cool: Cb 2.2", {241, 237, 236}, false}, {"luma 200", {200, 200, 200}, true},
		{"luma 199", {199, 199, 199}, false}};
	for (const Paper& paper : papers)
	{
		cv::Mat read = lit(neutralBoard(), paper.bgr / 255.0, 1.0, 0.0, 0.0);
		const cv::Mat before = read.clone();
		const PaperWhite white = PaperWhite::readAsNeutral(read, everywhere(read));
		ASSERT_TRUE(white.found()) << paper.what;
		EXPECT_EQ(white.readsNeutral(), paper.neutral) << paper.what;
		EXPECT_EQ(cv::norm(read, before, cv::NORM_INF) == 0.0, paper.neutral) << paper.what;
		for (int c = 0; c < 3 && !paper.neutral; ++c)
		{
			EXPECT_NEAR(read.at<cv::Vec3b>(100, 320)[c], PaperWhite::referenceWhite, 2.0) << paper.what;
		}
	}
}

TEST(PaperWhite, AHandOverAQuarterOfTheBoardNeitherShiftsThePaperNorStopsBeingSkin)
{
	cv::Mat board = neutralBoard();
	const cv::Scalar skin(90, 130, 200);
	cv::circle(board, cv::Point(330, 250), 120, skin, cv::FILLED);
	cv::rectangle(board, cv::Rect(240, 250, 180, 230), skin, cv::FILLED);
	const int skinSeen = inRange(board, skinColour, everywhere(board));
	ASSERT_GT(skinSeen, 640 * 480 / 5);
	const cv::Vec3d warm(0.5, 0.78, 1.0);
	cv::Mat read = lit(board, warm, 0.9, 0.0, 0.0);
	const PaperWhite white = PaperWhite::readAsNeutral(read, everywhere(read));
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(white.at(cv::Point2d(100, 100))[c], 255.0 * warm[c] * 0.9, 255.0 * warm[c] * 0.9 * 0.03) << c;
	}
	EXPECT_GE(inRange(read, skinColour, everywhere(read)), skinSeen * 9 / 10);
}

TEST(PaperWhite, TooLittlePaperIsNoPaperAndChangesNothing)
{
	cv::Mat dark(480, 640, CV_8UC3, cv::Scalar(20, 30, 40));
	cv::rectangle(dark, cv::Rect(0, 0, 100, 100), cv::Scalar(250, 250, 250), cv::FILLED);
	const cv::Mat before = dark.clone();
	cv::Mat nowhere(dark.size(), CV_8UC1, cv::Scalar(0));
	EXPECT_FALSE(PaperWhite::readAsNeutral(dark, nowhere).found());
	cv::rectangle(nowhere, cv::Rect(0, 0, 100, 100), cv::Scalar(255), cv::FILLED);
	EXPECT_FALSE(PaperWhite::readAsNeutral(dark, nowhere).found());
	EXPECT_EQ(cv::norm(dark, before, cv::NORM_INF), 0.0);
}

/// A square of half side `half` about `centre`, turned by `degrees`, in the
/// order the scanner keeps the portal card's corners: (-,-), (-,+), (+,-), (+,+).
std::vector<cv::Point2f> cardCorners(cv::Point2f centre, float half, double degrees)
{
	const double c = std::cos(degrees * CV_PI / 180.0), s = std::sin(degrees * CV_PI / 180.0);
	std::vector<cv::Point2f> corners;
	for (const float a : {-half, half})
	{
		for (const float b : {-half, half})
		{
			corners.emplace_back(centre.x + float(c * a - s * b), centre.y + float(s * a + c * b));
		}
	}
	return corners;
}

/// A marker's outline, round the square.
std::vector<cv::Point2f> markerOutline(cv::Point2f topLeft, float side)
{
	return {topLeft, topLeft + cv::Point2f(side, 0.0f), topLeft + cv::Point2f(side, side), topLeft + cv::Point2f(0.0f, side)};
}

/// What a scan leaves for the colour reading: the rectified board, the
/// board's marker outlines, the card's corners (kept from an earlier scan
/// when this one did not see the card).
RectifiedBoard scanned(const cv::Mat& picture, const std::vector<std::vector<cv::Point2f>>& markers,
	const std::vector<cv::Point2f>& card, bool cardSeen = true)
{
	RectifiedBoard board;
	board.colour = picture;
	board.markerOutlines = markers;
	board.portalVisible = cardSeen;
	board.portalCorners = card;
	return board;
}

/// Pixels inside a convex outline (given round it), shrunk by `inset` pixels
/// towards its centre, or grown when `inset` is negative.
cv::Mat inside(const std::vector<cv::Point2f>& round, float inset, cv::Size size = cv::Size(640, 480))
{
	cv::Point2f centre(0.0f, 0.0f);
	for (const cv::Point2f& p : round)
	{
		centre += p / float(round.size());
	}
	std::vector<cv::Point> points;
	for (const cv::Point2f& p : round)
	{
		const cv::Point2f out = p - centre;
		const cv::Point2f moved = centre + out * (1.0f - inset / float(cv::norm(out)));
		points.emplace_back(cvRound(moved.x), cvRound(moved.y));
	}
	cv::Mat mask(size, CV_8UC1, cv::Scalar(0));
	cv::fillConvexPoly(mask, points, cv::Scalar(255));
	return mask;
}

TEST(BoardPaperPlaces, LeaveOutEveryMarkerAndTheCardsCodeOrTheWholeCardWhateverItsTurn)
{
	const std::vector<std::vector<cv::Point2f>> markers = {markerOutline({5.0f, 5.0f}, 40.0f),
		markerOutline({595.0f, 5.0f}, 40.0f), markerOutline({5.0f, 435.0f}, 40.0f), markerOutline({300.0f, 440.0f}, 36.0f)};
	const cv::Point2f cardCentre(420.0f, 230.0f);
	for (const double turn : {0.0, 30.0, -70.0, 135.0})
	{
		const std::vector<cv::Point2f> card = cardCorners(cardCentre, 45.0f, turn);
		const std::vector<cv::Point2f> cardRound = {card[0], card[1], card[3], card[2]};
		// The code is the middle half of the card, as printed.
		std::vector<cv::Point2f> codeRound;
		for (const cv::Point2f& corner : cardRound)
		{
			codeRound.push_back(cardCentre + (corner - cardCentre) * 0.5f);
		}
		const float halfDiagonal = 45.0f * float(std::sqrt(2.0));
		for (const CardLeftOut part : {CardLeftOut::Code, CardLeftOut::Whole})
		{
			const bool whole = part == CardLeftOut::Whole;
			const cv::Mat places = boardPaperPlaces(scanned(blankBoard(), markers, card), part);
			ASSERT_EQ(places.size(), cv::Size(640, 480));
			ASSERT_EQ(places.type(), CV_8UC1);

			// Nothing of what is left out or a marker is paper; their margins
			// are small, and the card's white round its code is paper unless
			// the whole card is left out.
			const std::vector<cv::Point2f>& leftOut = whole ? cardRound : codeRound;
			EXPECT_EQ(cv::countNonZero(places & inside(leftOut, 0.5f)), 0) << "card turned " << turn;
			cv::Mat notPaper = whole ? inside(cardRound, -0.1f * halfDiagonal - 2.0f)
									 : inside(codeRound, -0.25f * 0.5f * halfDiagonal - 2.0f);
			for (const auto& marker : markers)
			{
				EXPECT_EQ(cv::countNonZero(places & inside(marker, 0.5f)), 0) << "marker at " << marker[0];
				notPaper |= inside(marker, -0.25f * 20.0f * float(std::sqrt(2.0)) - 2.0f);
			}
			EXPECT_EQ(cv::countNonZero(~places & ~notPaper), 0) << "paper left out, card turned " << turn;
		}
	}

	// A card not seen in this scan is paper.
	const RectifiedBoard withoutCard = scanned(blankBoard(), markers, cardCorners(cardCentre, 45.0f, 0.0), false);
	for (const CardLeftOut part : {CardLeftOut::Code, CardLeftOut::Whole})
	{
		EXPECT_EQ(cv::countNonZero(boardPaperPlaces(withoutCard, part)(cv::Rect(380, 190, 80, 80))), 80 * 80);
	}
}

TEST(NormaliseBoardColours, TheBoardIsReadAsANeutralRoomShowsItAndTheViewsKeepTheCamerasColours)
{
	const std::vector<std::vector<cv::Point2f>> markers = {markerOutline({0.0f, 0.0f}, 50.0f),
		markerOutline({590.0f, 0.0f}, 50.0f), markerOutline({0.0f, 430.0f}, 50.0f), markerOutline({590.0f, 430.0f}, 50.0f)};
	const std::vector<cv::Point2f> card = cardCorners({470.0f, 240.0f}, 50.0f, 20.0);
	const cv::Vec3d warm(0.55, 0.8, 1.0);
	const cv::Mat seen = lit(neutralBoard(), warm, 0.85, 0.2, 0.2);

	const RectifiedBoard board = scanned(seen.clone(), markers, card);
	PaperWhite white;
	const cv::Mat analysed = normaliseBoardColours(board, &white);
	ASSERT_TRUE(white.found());
	EXPECT_FALSE(white.readsNeutral());
	// The paper the camera saw is measured...
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(white.at(cv::Point2d(320, 100))[c], seen.at<cv::Vec3b>(100, 320)[c], 255.0 * warm[c] * 0.85 * 0.04) << c;
	}
	// ... and reads the reference white in the colours the analysis reads,
	// black ink stays black, and what the views show is as the camera saw it.
	const cv::Vec3b paper = analysed.at<cv::Vec3b>(100, 320);
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(paper[c], PaperWhite::referenceWhite, 6.0) << c;
	}
	EXPECT_EQ(inRange(analysed, blackInk, everywhere(seen)), inRange(neutralBoard(), blackInk, everywhere(seen)));
	EXPECT_EQ(cv::norm(board.colour, seen, cv::NORM_INF), 0.0);

	// A board that reads neutral already is left exactly as it is.
	const RectifiedBoard neutral = scanned(lit(neutralBoard(), cv::Vec3d(1, 1, 1), 0.96, 0.1, 0.0), markers, card);
	PaperWhite neutralWhite;
	const cv::Mat neutralAnalysed = normaliseBoardColours(neutral, &neutralWhite);
	EXPECT_TRUE(neutralWhite.readsNeutral());
	EXPECT_EQ(cv::norm(neutralAnalysed, neutral.colour, cv::NORM_INF), 0.0);

	// Before the first scan there is nothing to read.
	PaperWhite none;
	EXPECT_TRUE(normaliseBoardColours(RectifiedBoard(), &none).empty());
	EXPECT_FALSE(none.found());
}

TEST(ScanColours, BothPicturesAreExactlyWhatTheirOwnReadingsMakeOnAnyNumberOfThreads)
{
	const std::vector<std::vector<cv::Point2f>> markers = {markerOutline({0.0f, 0.0f}, 50.0f),
		markerOutline({590.0f, 0.0f}, 50.0f), markerOutline({0.0f, 430.0f}, 50.0f), markerOutline({590.0f, 430.0f}, 50.0f)};
	const std::vector<cv::Point2f> card = cardCorners({470.0f, 240.0f}, 50.0f, 20.0);
	// A warm uneven room, and one that reads neutral already.
	for (const RectifiedBoard& board : {scanned(lit(neutralBoard(), cv::Vec3d(0.55, 0.8, 1.0), 0.85, 0.2, 0.2), markers, card),
			 scanned(lit(neutralBoard(), cv::Vec3d(1, 1, 1), 0.96, 0.1, 0.0), markers, card)})
	{
		ScanColours both = scanColours(board);
		const cv::Mat handTest = handTestColours(board), ink = normaliseBoardColours(board);
		EXPECT_EQ(cv::norm(both.handTest, handTest, cv::NORM_INF), 0.0);
		EXPECT_EQ(cv::norm(both.ink.get(), ink, cv::NORM_INF), 0.0);
		// OpenCV's threads share rows and blocks among them: one thread alone
		// makes every pixel the same.
		const int threads = cv::getNumThreads();
		cv::setNumThreads(1);
		ScanColours alone = scanColours(board);
		cv::setNumThreads(threads);
		EXPECT_EQ(cv::norm(alone.handTest, handTest, cv::NORM_INF), 0.0);
		EXPECT_EQ(cv::norm(alone.ink.get(), ink, cv::NORM_INF), 0.0);
	}
	EXPECT_TRUE(scanColours(RectifiedBoard()).ink.get().empty());
}

/// A thinned ring of radius 28 with the arc from `from` to `to` degrees missing.
cv::Mat thinnedRing(double from = 0.0, double to = 0.0)
{
	cv::Mat mask(200, 200, CV_8UC1, cv::Scalar(0));
	cv::ellipse(mask, cv::Point(100, 100), cv::Size(28, 28), 0.0, to, from + 360.0, cv::Scalar(255), 4);
	thinMask(mask);
	return mask;
}

int closedRings(const cv::Mat& skeleton)
{
	std::vector<std::vector<cv::Point>> contours;
	std::vector<cv::Vec4i> hierarchy;
	cv::findContours(skeleton.clone(), contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
	int holes = 0;
	for (const cv::Vec4i& h : hierarchy)
	{
		holes += h[3] >= 0 ? 1 : 0;
	}
	return holes;
}

TEST(GapClosing, ARingThatNearlyMeetsItselfIsClosedAndNothingElseIsTouched)
{
	// A closed ring is left exactly as it is.
	cv::Mat ring = thinnedRing();
	const cv::Mat closed = ring.clone();
	EXPECT_EQ(closeSmallGaps(ring, 20.0), 0);
	EXPECT_EQ(cv::norm(ring, closed, cv::NORM_INF), 0.0);

	// A gap of about 15 pixels is closed; one of about 35 is not.
	cv::Mat open = thinnedRing(-15.0, 15.0);
	ASSERT_EQ(closedRings(open), 0);
	EXPECT_EQ(closeSmallGaps(open, 20.0), 1);
	EXPECT_EQ(closedRings(open), 1);
	cv::Mat wide = thinnedRing(-36.0, 36.0);
	EXPECT_EQ(closeSmallGaps(wide, 20.0), 0);

	// Two arcs of a ring broken twice become one ring.
	cv::Mat broken = thinnedRing(-10.0, 10.0);
	cv::ellipse(broken, cv::Point(100, 100), cv::Size(28, 28), 0.0, 170.0, 190.0, cv::Scalar(0), 3);
	EXPECT_EQ(closeSmallGaps(broken, 20.0), 2);
	EXPECT_EQ(closedRings(broken), 1);

	// A short line's two ends, and a spur beside the tip it branches from,
	// are not gaps.
	cv::Mat lines(100, 100, CV_8UC1, cv::Scalar(0));
	cv::line(lines, cv::Point(10, 10), cv::Point(20, 10), cv::Scalar(255));
	cv::line(lines, cv::Point(40, 60), cv::Point(90, 60), cv::Scalar(255));
	cv::line(lines, cv::Point(88, 60), cv::Point(90, 57), cv::Scalar(255));
	const cv::Mat before = lines.clone();
	EXPECT_EQ(closeSmallGaps(lines, 20.0), 0);
	EXPECT_EQ(cv::norm(lines, before, cv::NORM_INF), 0.0);
}

TEST(GapClosing, EachLineEndIsJoinedOnceAtMost)
{
	// Three lines whose inner ends lie 10 and 11 pixels apart: one gap is
	// closed, between the nearest two; the third end stays free.
	cv::Mat three(100, 100, CV_8UC1, cv::Scalar(0));
	cv::line(three, cv::Point(30, 50), cv::Point(45, 50), cv::Scalar(255));
	cv::line(three, cv::Point(70, 50), cv::Point(55, 50), cv::Scalar(255));
	cv::line(three, cv::Point(50, 80), cv::Point(50, 60), cv::Scalar(255));
	EXPECT_EQ(closeSmallGaps(three, 20.0), 1);
	EXPECT_EQ(three.at<uchar>(50, 50), 255);
	EXPECT_EQ(cv::countNonZero(three(cv::Rect(40, 51, 21, 9))), 0) << "the third end was joined too";

	// A stroke that ends 19 pixels from both ends of a ring's gap of 14: the
	// ring is closed on itself, the stroke stays a line that leads nowhere.
	cv::Mat ring = thinnedRing(-15.0, 15.0);
	cv::line(ring, cv::Point(145, 100), cv::Point(165, 100), cv::Scalar(255));
	const cv::Rect between(130, 85, 15, 31);
	const cv::Mat before = ring(between).clone();
	EXPECT_EQ(closeSmallGaps(ring, 20.0), 1);
	EXPECT_EQ(closedRings(ring), 1);
	EXPECT_EQ(cv::countNonZero(ring(between) != before), 0) << "the stroke's end was joined to the ring";
}

TEST(GapClosing, PinholesAreFilledAndTheRingsOwnHoleIsNot)
{
	cv::Mat mask(100, 100, CV_8UC1, cv::Scalar(0));
	cv::circle(mask, cv::Point(50, 50), 28, cv::Scalar(255), 6);
	mask.at<uchar>(50, 22) = 0;
	mask.at<uchar>(78, 50) = 0;
	mask.at<uchar>(79, 50) = 0;
	EXPECT_EQ(fillPinholes(mask, 4.0), 2);
	EXPECT_EQ(mask.at<uchar>(50, 22), 255);
	EXPECT_EQ(mask.at<uchar>(50, 50), 0);
}

}  // namespace
