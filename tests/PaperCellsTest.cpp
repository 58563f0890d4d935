#include "LitBoard.h"

#include "colour/Luma.h"
#include "colour/PaperCells.h"
#include "colour/PaperWhite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// The paper read cell by cell: what light does to it (a shadow, a lamp's
// highlight) is paper, what lies on it with sharp edges (a hand, a sleeve)
// is covered, and what cannot be measured (clipped, outside the paper) is
// unseen.

namespace
{

using namespace litboard;

cv::Mat everywhere(const cv::Mat& picture)
{
	return cv::Mat(picture.size(), CV_8UC1, cv::Scalar(255));
}

/// The state of the cell holding a board point.
PaperCells::State stateAt(const PaperCells& cells, cv::Point p)
{
	return cells.state(p.y / PaperCells::cellSide, p.x / PaperCells::cellSide);
}

/// The cell's paper luma at a board point.
double levelAt(const PaperCells& cells, cv::Point p)
{
	const cv::Vec3f c = cells.logColour(p.y / PaperCells::cellSide, p.x / PaperCells::cellSide);
	return lumaOf(cv::Vec3d(std::exp(c[0]), std::exp(c[1]), std::exp(c[2])));
}

TEST(PaperCells, ShadowsAndHighlightsArePaperThingsWithSharpEdgesAreCovered)
{
	// A soft shadow on the left, a hand with sharp edges on the right that
	// reaches past a place that is no paper (a marker), a lamp's highlight at
	// the top, a drawn ring in the shadow.
	Drawing drawing;
	const cv::Scalar skin(150, 189, 215);
	drawing.cover({{420, 480}, {440, 300}, {520, 260}, {600, 300}, {640, 320}, {640, 480}}, skin);
	drawing.ring({150, 300}, 22, marker);
	Light light;
	light.shadow({{0, 0}, {250, 0}, {250, 480}, {0, 480}}, 0.5, 20).glare({330, 90}, 6, 40, 40);
	light.white = cv::Vec3d(210, 210, 210);
	const cv::Mat picture = photograph(drawing, light);
	cv::Mat paper = everywhere(picture);
	cv::rectangle(paper, cv::Rect(560, 400, 80, 80), cv::Scalar(0), cv::FILLED);
	const PaperCells cells = PaperCells::measure(picture, paper);

	ASSERT_EQ(cells.grid(), cv::Size(80, 60));
	EXPECT_EQ(stateAt(cells, {100, 100}), PaperCells::Paper) << "in the shadow";
	EXPECT_NEAR(levelAt(cells, {100, 100}), 105.0, 6.0) << "half the light";
	EXPECT_EQ(stateAt(cells, {150, 300}), PaperCells::Paper) << "inside the ring, in the shadow";
	EXPECT_EQ(stateAt(cells, {190, 150}), PaperCells::Paper) << "across the shadow's soft edge";
	EXPECT_EQ(stateAt(cells, {400, 100}), PaperCells::Paper) << "in the highlight's halo";
	EXPECT_GT(levelAt(cells, {370, 90}), levelAt(cells, {400, 200}) + 10.0) << "brighter in the halo";
	EXPECT_EQ(stateAt(cells, {330, 90}), PaperCells::Unseen) << "the clipped core";
	EXPECT_EQ(stateAt(cells, {540, 380}), PaperCells::Covered) << "under the hand";
	EXPECT_EQ(stateAt(cells, {600, 440}), PaperCells::Unseen) << "no paper";
	EXPECT_EQ(stateAt(cells, {500, 100}), PaperCells::Paper);
	// The hand, and nothing else: its 40600 board pixels less the 6400 of the
	// marker, in cells, give or take those its edges cut.
	const double handCells = (40600.0 - 6400.0) / (PaperCells::cellSide * PaperCells::cellSide);
	EXPECT_GT(cells.count(PaperCells::Covered), 0.85 * handCells);
	EXPECT_LT(cells.count(PaperCells::Covered), 1.05 * handCells);
}

TEST(PaperCells, AChessboardInTheDarkIsPaperAndItsSquaresAreNotCovered)
{
	// Black squares on paper reading 30: too dim to tell sharp edges from
	// noise at the right, where the squares join the paper round their ends.
	Drawing drawing;
	for (int row = 0; row < 6; ++row)
	{
		for (int col = row % 2; col < 8; col += 2)
		{
			drawing.cover({{80.0 + col * 60, 60.0 + row * 60}, {140.0 + col * 60, 60.0 + row * 60},
							  {140.0 + col * 60, 120.0 + row * 60}, {80.0 + col * 60, 120.0 + row * 60}},
				cv::Scalar(0, 0, 0));
		}
	}
	Light dim;
	dim.white = cv::Vec3d(30, 30, 30);
	dim.patch(halfPlaneOutline({320, 480}, {320, 0}), cv::Vec3d(0.3, 0.3, 0.3), 200);
	const cv::Mat picture = photograph(drawing, dim, 0.7, 3.0);
	const PaperCells cells = PaperCells::measure(picture, everywhere(picture));
	EXPECT_EQ(cells.count(PaperCells::Covered), 0);
	EXPECT_GT(cells.count(PaperCells::Paper), 4000);
}

TEST(PaperCells, PaperRoundAHighlightIsNotCoveredButAHandOnClippedPaperIs)
{
	// Under a warm lamp the highlight's core is sharply brighter than the
	// paper's blue; the paper is no thing lying beside it.
	Light warm;
	warm.white = cv::Vec3d(110, 160, 200);
	warm.glare({200, 200}, 6, 45, 45);
	const cv::Mat highlighted = photograph(Drawing(), warm);
	const PaperCells round = PaperCells::measure(highlighted, everywhere(highlighted));
	EXPECT_EQ(round.count(PaperCells::Covered), 0);
	EXPECT_EQ(stateAt(round, {200, 200}), PaperCells::Unseen);

	// Paper the light clips everywhere, and a hand on it: the hand is covered.
	Drawing hand;
	hand.cover({{300, 480}, {330, 250}, {450, 230}, {480, 480}}, cv::Scalar(90, 130, 200));
	Light bright;
	bright.white = cv::Vec3d(300, 300, 300);
	const cv::Mat clipped = photograph(hand, bright);
	const PaperCells onClipped = PaperCells::measure(clipped, everywhere(clipped));
	EXPECT_EQ(stateAt(onClipped, {390, 400}), PaperCells::Covered);
	EXPECT_EQ(stateAt(onClipped, {100, 100}), PaperCells::Unseen);
}

TEST(PaperCells, APlaceIsClippedWhenTwoChannelsReadTheTop)
{
	cv::Mat picture(1, 5, CV_8UC3);
	picture.at<cv::Vec3b>(0) = cv::Vec3b(252, 255, 255);
	picture.at<cv::Vec3b>(1) = cv::Vec3b(253, 253, 100);
	picture.at<cv::Vec3b>(2) = cv::Vec3b(100, 253, 253);
	picture.at<cv::Vec3b>(3) = cv::Vec3b(255, 252, 252);
	picture.at<cv::Vec3b>(4) = cv::Vec3b(255, 100, 255);
	const cv::Mat clipped = clippedPlaces(picture);
	EXPECT_EQ(clipped.at<uchar>(0), 255);
	EXPECT_EQ(clipped.at<uchar>(1), 255);
	EXPECT_EQ(clipped.at<uchar>(2), 255);
	EXPECT_EQ(clipped.at<uchar>(3), 0) << "one channel at the top is a saturated colour";
	EXPECT_EQ(clipped.at<uchar>(4), 255);
}

TEST(PaperCells, EveryColourIsClippedByTheSameRuleWhereverItLiesInARow)
{
	// Every colour of levels round the top, each at every place of a row
	// sixteen pixels wide and in the few after it, which go one by one.
	const int levels[] = {0, 1, 128, 252, 253, 254, 255};
	std::vector<cv::Vec3b> colours;
	for (const int b : levels)
	{
		for (const int g : levels)
		{
			for (const int r : levels)
			{
				colours.emplace_back(uchar(b), uchar(g), uchar(r));
			}
		}
	}
	const int width = 16 * 3 + 5;
	cv::Mat picture(int(colours.size()), width, CV_8UC3);
	for (int row = 0; row < picture.rows; ++row)
	{
		for (int col = 0; col < width; ++col)
		{
			picture.at<cv::Vec3b>(row, col) = colours[size_t(row + col) % colours.size()];
		}
	}
	// The rule as plain per-channel operations: the middle channel at the top.
	cv::Mat planes[3], lower, upper;
	cv::split(picture, planes);
	cv::min(planes[0], planes[1], lower);
	cv::max(planes[0], planes[1], upper);
	cv::min(upper, planes[2], upper);
	cv::max(lower, upper, lower);
	EXPECT_EQ(cv::norm(clippedPlaces(picture), lower >= PaperCells::clipLevel, cv::NORM_INF), 0.0);
}

TEST(PaperWhite, TheLocalWhiteFollowsLightAndOnlyLight)
{
	// An arm's shadow, a warm lamp's patch with a soft edge, a hand: the local
	// white follows the light on the paper, under the hand it carries the
	// paper round it, and on evenly lit paper it is the smooth field.
	Drawing drawing;
	drawing.cover({{500, 480}, {520, 330}, {600, 300}, {640, 310}, {640, 480}}, cv::Scalar(60, 40, 35));
	Light light;
	light.white = cv::Vec3d(200, 210, 220);
	light.shadow(bandOutline({200, 240}, 90, 100), 0.5, 20);
	light.patch(halfPlaneOutline({420, 0}, {420, 480}), cv::Vec3d(0.55, 0.8, 1.0), 30);
	const cv::Mat picture = photograph(drawing, light);
	const PaperWhite white = PaperWhite::measure(picture, everywhere(picture));
	ASSERT_TRUE(white.found());
	const auto near = [](cv::Vec3d read, cv::Vec3d expected) {
		for (int c = 0; c < 3; ++c)
		{
			if (std::abs(std::log(read[c] / expected[c])) > 0.06)
			{
				return false;
			}
		}
		return true;
	};
	const cv::Vec3d lit = light.white, shaded = light.white * 0.5;
	const cv::Vec3d warm(light.white[0] * 0.55, light.white[1] * 0.8, light.white[2]);
	EXPECT_TRUE(near(white.at({100, 100}), lit)) << white.at({100, 100});
	EXPECT_TRUE(near(white.at({200, 240}), shaded)) << white.at({200, 240});
	EXPECT_TRUE(near(white.at({330, 400}), lit)) << white.at({330, 400});
	EXPECT_TRUE(near(white.at({560, 100}), warm)) << white.at({560, 100});
	EXPECT_TRUE(near(white.at({580, 420}), warm)) << "under the hand: " << white.at({580, 420});
	// Even paper: the smooth field itself.
	const cv::Vec3d smooth = white.smoothAt({100, 100});
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(white.at({100, 100})[c], smooth[c], 0.01);
	}
}

TEST(PaperWhite, TheSmoothFieldReadsPaperUpToTheLastBlockEitherWay)
{
	// Paper in the last row of blocks alone, then in the last column alone,
	// the rest outside the camera's view: 25 blocks of paper, just enough.
	for (const bool alongTheBottom : {true, false})
	{
		const cv::Size size = alongTheBottom ? cv::Size(800, 64) : cv::Size(64, 800);
		cv::Mat picture(size, CV_8UC3, cv::Scalar::all(0));
		const cv::Rect band = alongTheBottom ? cv::Rect(0, 32, 800, 32) : cv::Rect(32, 0, 32, 800);
		picture(band).setTo(cv::Scalar(180, 200, 220));
		const PaperWhite white = PaperWhite::measure(picture, everywhere(picture));
		ASSERT_TRUE(white.found()) << (alongTheBottom ? "along the bottom" : "along the right");
		const cv::Vec3d read = white.smoothAt(cv::Point2d(band.x + band.width / 2.0, band.y + band.height / 2.0));
		EXPECT_NEAR(read[0], 180.0, 1.0);
		EXPECT_NEAR(read[2], 220.0, 1.0);
	}
}

TEST(PaperWhite, TheSmoothFieldFollowsALampsLightAcrossTheBoard)
{
	// A lamp beyond the board's top left corner: its light falls off along
	// the diagonal to half at the far corner, over paper with a ring and a
	// stroke on it.
	Drawing drawing;
	drawing.ring({200, 300}, 30, marker);
	drawing.stroke({350, 100}, {550, 350}, marker);
	const auto falloff = [](cv::Point2d p) {
		const double along = (p.x / 640.0 + p.y / 480.0) / 2.0;
		return std::exp(-0.7 * along * along);
	};
	const Light light;
	cv::Mat lit = light.onBoard(drawing.atBoardSize());
	for (int y = 0; y < lit.rows; ++y)
	{
		for (int x = 0; x < lit.cols; ++x)
		{
			lit.at<cv::Vec3f>(y, x) *= float(falloff(cv::Point2d(x, y)));
		}
	}
	const cv::Mat picture = photograph(lit);
	const PaperWhite white = PaperWhite::measure(picture, everywhere(picture));
	ASSERT_TRUE(white.found());
	for (const cv::Point2d p : {cv::Point2d(20, 20), cv::Point2d(620, 20), cv::Point2d(20, 460), cv::Point2d(620, 460),
			 cv::Point2d(320, 240), cv::Point2d(480, 120)})
	{
		for (int c = 0; c < 3; ++c)
		{
			EXPECT_NEAR(white.smoothAt(p)[c] / (light.white[c] * falloff(p)), 1.0, 0.03) << "at " << p << ": "
																						 << white.smoothAt(p);
		}
	}
}

TEST(PaperWhite, AnOverexposedBoardReadsTheSensorsTopAndAHandOnItKeepsItsColour)
{
	// Paper the camera clips everywhere, a ring and a hand on it: what is
	// left unclipped (the ring's rim, the hand) is no guide to the paper's
	// white, which is the sensor's top, also under the hand.
	Drawing drawing;
	drawing.ring({150, 200}, 30, marker);
	drawing.cover({{260, 480}, {280, 200}, {420, 180}, {440, 480}}, cv::Scalar(90, 130, 200));
	Light bright;
	bright.white = cv::Vec3d(300, 300, 300);
	const cv::Mat picture = photograph(drawing, bright);
	const PaperWhite white = PaperWhite::measure(picture, everywhere(picture));
	ASSERT_TRUE(white.found());
	for (const cv::Point2d p : {cv::Point2d(80, 80), cv::Point2d(150, 200), cv::Point2d(350, 400), cv::Point2d(560, 300)})
	{
		const cv::Vec3d read = white.at(p);
		for (int c = 0; c < 3; ++c)
		{
			EXPECT_NEAR(read[c], 255.0, 8.0) << "at " << p << ": " << read;
		}
	}
}

TEST(PaperWhite, APlaceLeftOutOfThePaperTakesTheLevelOfTheShadowBesideItButNotItsColour)
{
	// A place the caller leaves out of the paper, the size of the portal
	// card, and an arm's shadow running over it and on beyond. A grey shadow,
	// and one where only a warm lamp still lights the board, darker and
	// warmer. Well inside the card the local white takes the shadow's level:
	// the grey one whole, of the warm one the part every channel shares (its
	// red) and none of its colour, which paper beside a hand that its edges
	// did not tell would have given it. On the paper beside the card the
	// shadow is read whole.
	const cv::Vec3d greyShadow(0.5, 0.5, 0.5), warmShadow(0.4, 0.6, 0.75);
	for (const cv::Vec3d& shadow : {greyShadow, warmShadow})
	{
		SCOPED_TRACE(shadow);
		Light light;
		light.white = cv::Vec3d(210, 220, 230);
		light.patch(bandOutline({320, 240}, 90, 240), shadow, 15);
		const cv::Mat picture = photograph(Drawing(), light);
		cv::Mat paper = everywhere(picture);
		paper(cv::Rect(220, 140, 200, 200)).setTo(0);
		const PaperWhite white = PaperWhite::measure(picture, paper);
		ASSERT_TRUE(white.found());

		const double level = std::max({shadow[0], shadow[1], shadow[2]});
		for (const cv::Point2d p : {cv::Point2d(320, 200), cv::Point2d(320, 240), cv::Point2d(300, 260)})
		{
			for (int c = 0; c < 3; ++c)
			{
				EXPECT_NEAR(white.at(p)[c] / light.white[c], level, 0.04) << "in the card at " << p << ": " << white.at(p);
			}
		}
		for (const cv::Point2d p : {cv::Point2d(320, 60), cv::Point2d(240, 420)})
		{
			for (int c = 0; c < 3; ++c)
			{
				EXPECT_NEAR(white.at(p)[c] / light.white[c], shadow[c], 0.04) << "beside the card at " << p << ": "
																				 << white.at(p);
			}
		}
	}
}

}  // namespace
