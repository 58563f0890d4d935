#include "HandPainting.h"
#include "SkinColour.h"

#include "analysis/BoardColours.h"
#include "analysis/HandWatch.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cmath>
#include <cstdio>
#include <functional>
#include <tuple>

// The hand test on rectified boards painted directly: every step of a skin
// tone scale, in every shape a hand shows in, in three rooms, must hold the
// scan back; the drawing alone, thick ink, filled areas, the markers and the
// card and a hand's soft shadow must not.

namespace
{

/// What a watch that has read the drawing alone makes of a board.
struct Looked
{
	HandSighting sighting;
	/// The skin colour test alone, as the rescan had it before.
	bool bySkinColour = false;
};

Looked lookAfterTheDrawing(const Photography& room, const RectifiedBoard& board)
{
	HandWatch watch;
	const RectifiedBoard drawing = drawnBoard(room);
	EXPECT_FALSE(watch.look(handTestColours(drawing), drawing).seen) << "a hand seen on the drawing alone";
	const cv::Mat colours = handTestColours(board);
	return {watch.look(colours, board), skinColourHand(colours)};
}

class HandMatrix : public testing::TestWithParam<std::tuple<int, HandShape>>
{
public:
	static void TearDownTestSuite()
	{
		std::printf("| skin step | shape | room | seen before (skin colour) | seen now | share |\n|---|---|---|---|---|---|\n%s",
			rows().c_str());
	}

protected:
	static std::string& rows()
	{
		static std::string text;
		return text;
	}
};

TEST_P(HandMatrix, EverySkinToneHoldsTheScanBack)
{
	const auto& [roomIndex, shape] = GetParam();
	const HandRoom room = handRooms().at(size_t(roomIndex));
	const HandMasks hand = handMasks(shape);
	for (int step = 1; step <= 10; ++step)
	{
		const Looked looked = lookAfterTheDrawing(room.photography, drawnBoard(room.photography, &hand, skinSteps[step - 1]));
		EXPECT_TRUE(looked.sighting.seen) << "skin step " << step << ", " << shapeName(shape) << ", " << room.name;
		char row[200];
		std::snprintf(row, sizeof row, "| %d | %s | %s | %s | %s | %.3f |\n", step, shapeName(shape), room.name,
			looked.bySkinColour ? "yes" : "no", looked.sighting.seen ? "yes" : "no", looked.sighting.share);
		rows() += row;
	}
}

INSTANTIATE_TEST_SUITE_P(Hands, HandMatrix,
	testing::Combine(testing::Range(0, int(handRooms().size())),
		testing::Values(HandShape::WholeFromBelow, HandShape::FingertipsBelow, HandShape::ChildFromBelow,
			HandShape::FromTheSide, HandShape::FromTheTop)),
	[](const testing::TestParamInfo<std::tuple<int, HandShape>>& info) {
		return testNameOf(handRooms().at(size_t(std::get<0>(info.param))).name) + testNameOf(shapeName(std::get<1>(info.param)));
	});

/// A board with only ink and light on it, lit as a room lights it.
RectifiedBoard inkBoard(const Photography& room, const std::function<void(cv::Mat&)>& draw)
{
	RectifiedBoard board = paperBoard();
	draw(board.colour);
	photographBoard(board, room);
	return board;
}

/// What a watch makes of a board: a new watch, so that the board is the first it sees.
HandSighting firstLook(const RectifiedBoard& board)
{
	HandWatch watch;
	return watch.look(handTestColours(board), board);
}

/// Darken a picture where `shape` (0 to 255) covers it, by up to `darkness`.
void castShadow(cv::Mat& picture, const cv::Mat& shape, double darkness)
{
	cv::Mat soft;
	cv::GaussianBlur(shape, soft, cv::Size(0, 0), 8.0);
	for (int y = 0; y < picture.rows; ++y)
	{
		for (int x = 0; x < picture.cols; ++x)
		{
			picture.at<cv::Vec3b>(y, x) *= 1.0 - darkness * soft.at<unsigned char>(y, x) / 255.0;
		}
	}
}

class NoHand : public testing::TestWithParam<int>
{
protected:
	const HandRoom room = handRooms().at(size_t(GetParam()));
};

TEST_P(NoHand, InkMarkersCardAndShadowsAreNoHand)
{
	const Photography& light = room.photography;
	EXPECT_FALSE(firstLook(inkBoard(light, [](cv::Mat&) {})).seen) << "the markers and the card, " << room.name;
	EXPECT_FALSE(firstLook(inkBoard(light, drawTheDrawing)).seen) << "the drawing, " << room.name;
	// A broad marker's lines, 12 pixels wide: crossing, round a ring, and out
	// to the board's edge between two markers.
	const RectifiedBoard thick = inkBoard(light, [](cv::Mat& picture) {
		const cv::Scalar black(25, 25, 25);
		cv::line(picture, {100, 300}, {420, 180}, black, 12);
		cv::line(picture, {150, 150}, {380, 380}, black, 12);
		cv::line(picture, {200, 300}, {200, 479}, black, 12);
		cv::circle(picture, {330, 300}, 32, black, 12);
	});
	EXPECT_FALSE(firstLook(thick).seen) << "thick strokes, " << room.name;
	// A filled disc drawn on purpose, seen again at the next scan.
	HandWatch watch;
	const RectifiedBoard disc = inkBoard(light, [](cv::Mat& picture) {
		drawTheDrawing(picture);
		cv::circle(picture, {330, 300}, 40, cv::Scalar(25, 25, 25), cv::FILLED);
	});
	EXPECT_FALSE(watch.look(handTestColours(disc), disc).seen) << "a filled disc, " << room.name;
	EXPECT_FALSE(watch.look(handTestColours(disc), disc).seen) << "a filled disc kept, " << room.name;
	// The shadows of an arm and of a hand, 45 % darker, soft.
	const RectifiedBoard shadow = inkBoard(light, [](cv::Mat& picture) {
		drawTheDrawing(picture);
		cv::Mat arm = cv::Mat::zeros(picture.size(), CV_8UC1);
		cv::line(arm, {120, 479}, {260, 250}, cv::Scalar(255), 80);
		castShadow(picture, arm | handMasks(HandShape::FromTheTop).whole, 0.45);
	});
	EXPECT_FALSE(firstLook(shadow).seen) << "soft shadows, " << room.name;
}

INSTANTIATE_TEST_SUITE_P(Rooms, NoHand, testing::Range(0, int(handRooms().size())),
	[](const testing::TestParamInfo<int>& info) { return testNameOf(handRooms().at(size_t(info.param)).name); });


/// The share of the board a hand covers where paper may show: over the
/// markers and the card it cannot be told from them, and is not counted.
double shareOnPaper(const HandMasks& hand)
{
	return cv::countNonZero(hand.whole & boardPaperPlaces(paperBoard())) / (640.0 * 480.0);
}

/// A filled area the last scan read is the drawing's, however dark, large and
/// near the edge: only what is new to it can be a hand.
TEST(HandWatch, WhatTheLastScanReadIsNoHand)
{
	const Photography room;
	const auto disc = [&room](bool toTheEdge) {
		return inkBoard(room, [toTheEdge](cv::Mat& picture) {
			drawTheDrawing(picture);
			cv::circle(picture, {200, 435}, 35, cv::Scalar(25, 25, 25), cv::FILLED);
			if (toTheEdge)
			{
				cv::rectangle(picture, cv::Rect(185, 460, 30, 20), cv::Scalar(25, 25, 25), cv::FILLED);
			}
		});
	};
	HandWatch watch;
	ASSERT_FALSE(watch.look(handTestColours(disc(false)), disc(false)).seen) << "a disc near the edge";
	EXPECT_FALSE(watch.look(handTestColours(disc(true)), disc(true)).seen) << "the disc drawn out to the edge";
	// Without that scan, the same disc comes in across the edge as a hand would.
	EXPECT_TRUE(firstLook(disc(true)).seen);

	// A hand whose fingertips rest on a filled disc the last scan read: the
	// share is the hand's alone. (Without that scan the disc would count too,
	// about half as much again.)
	const HandMasks hand = handMasks(HandShape::ChildFromBelow);
	const auto withDisc = [&room](const HandMasks* over) {
		return inkBoard(room, [over](cv::Mat& picture) {
			drawTheDrawing(picture);
			cv::circle(picture, {300, 235}, 45, cv::Scalar(25, 25, 25), cv::FILLED);
			if (over != nullptr)
			{
				paintHand(picture, *over, skinSteps[9]);
			}
		});
	};
	HandWatch second;
	ASSERT_FALSE(second.look(handTestColours(withDisc(nullptr)), withDisc(nullptr)).seen);
	const HandSighting seen = second.look(handTestColours(withDisc(&hand)), withDisc(&hand));
	EXPECT_TRUE(seen.seen);
	const double handShare = shareOnPaper(hand);
	EXPECT_NEAR(seen.share, handShare, 0.15 * handShare);
}

/// The share the hand event gives is the share of the board the hand covers,
/// for the darkest and the lightest skin, whole hands and fingertips.
TEST(HandWatch, TheShareIsTheHandsShareOfTheBoard)
{
	for (const HandShape shape : {HandShape::WholeFromBelow, HandShape::FingertipsBelow, HandShape::FromTheSide})
	{
		const HandMasks hand = handMasks(shape);
		const double share = shareOnPaper(hand);
		for (const int step : {1, 5, 10})
		{
			const Looked looked = lookAfterTheDrawing(Photography(), drawnBoard(Photography(), &hand, skinSteps[step - 1]));
			EXPECT_NEAR(looked.sighting.share, share, 0.25 * share) << "skin step " << step << ", " << shapeName(shape);
					}
	}
}

/// Where the camera's view ends inside the board's picture, rectification
/// leaves pure black: no hand, but the edge a hand comes in across.
TEST(HandWatch, WhereTheCameraSawNothingIsAnEdgeButNoHand)
{
	// The view ends 20 to 30 pixels in from the board's left edge, between its markers.
	const std::vector<cv::Point> unseen = {{0, 70}, {20, 70}, {30, 410}, {0, 410}};
	const auto beyondTheView = [&unseen](RectifiedBoard board) {
		cv::fillConvexPoly(board.colour, unseen, cv::Scalar::all(0));
		cv::fillConvexPoly(board.grey, unseen, cv::Scalar(0));
		return board;
	};
	EXPECT_FALSE(firstLook(beyondTheView(drawnBoard(Photography()))).seen);
	const HandMasks hand = handMasks(HandShape::FromTheSide);
	for (const int step : {1, 10})
	{
		EXPECT_TRUE(firstLook(beyondTheView(drawnBoard(Photography(), &hand, skinSteps[step - 1]))).seen) << "skin step " << step;
	}
}

/// Light alone is no hand: the right part of the board under a warm lamp
/// beside daylight, with a soft edge between them (25 board pixels), or a
/// desk lamp beside the board whose light clips the red channel near it.
/// The colour reading here is the board's one smooth paper field, which
/// follows neither: the lit part reads warm (and did read as skin).
TEST_P(NoHand, LightIsNoHand)
{
	cv::Mat edge(480, 640, CV_32F);
	cv::Mat lamp(480, 640, CV_32F);
	for (int y = 0; y < 480; ++y)
	{
		for (int x = 0; x < 640; ++x)
		{
			edge.at<float>(y, x) = float(std::min(1.0, std::max(0.0, (x - 300) / 25.0)));
			lamp.at<float>(y, x) = float(std::exp(-(std::pow(x - 660.0, 2) + std::pow(y - 240.0, 2)) / (2.0 * 140.0 * 140.0)));
		}
	}
	for (const double warmth : {1.1, 1.2, 1.35})
	{
		for (const double brightness : {0.9, 1.0, 1.15})
		{
			const RectifiedBoard lit = inkBoard(room.photography, [&](cv::Mat& picture) {
				drawTheDrawing(picture);
				addLight(picture, cv::Vec3d(1.0 / warmth, 1.0, warmth) * brightness, edge);
			});
			EXPECT_FALSE(firstLook(lit).seen) << "a light edge, warmth " << warmth << ", brightness " << brightness << ", " << room.name;
		}
		const RectifiedBoard lamped = inkBoard(room.photography, [&](cv::Mat& picture) {
			drawTheDrawing(picture);
			addLight(picture, cv::Vec3d(1.0 / warmth, 1.0, warmth) * 1.5, lamp);
		});
		EXPECT_FALSE(firstLook(lamped).seen) << "a desk lamp, warmth " << warmth << ", " << room.name;
	}
}

}  // namespace
