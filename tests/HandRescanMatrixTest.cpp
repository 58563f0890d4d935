#include "AnalysisTestSupport.h"
#include "HandPainting.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

// The rescan of a drawn board with a hand over it, in every room of the hand
// tests: for every step of a skin tone scale, a whole hand and only fingertips
// in at the bottom edge, the scan is held back and nothing of the game changes;
// once the hand has gone, the drawing's walls are what they were. And what is
// no hand, a large filled area drawn on purpose or a warm lamp's patch of
// light, is read as the drawing it is.

namespace
{

/// A program that reads the boards the test gives it, as its rescans do.
class RescanRig
{
public:
	RescanRig() : program(TestProgram::still()), app(*program->app)
	{
		app.analysis().loadTemplates(testTemplates().first, testTemplates().second);
	}

	PassRecord rescan(const RectifiedBoard& board)
	{
		settle(app.stillness());
		::testing::internal::CaptureStdout();
		app.analyseScannedBoard(board);
		::testing::internal::GetCapturedStdout();
		app.trace().endPass(int(program->passes.size()) + 1, app.stillness().count(), app.scene());
		app.scene().flush();
		return program->passes.back();
	}

	static double walls(const PassRecord& record)
	{
		const auto events = record.eventsOf("walls");
		return events.size() == 1 ? events[0]->number("count") : -1.0;
	}

	std::unique_ptr<TestProgram> program;
	Application& app;
};

class HandRescan : public testing::TestWithParam<std::tuple<int, HandShape>>
{
public:
	static void TearDownTestSuite()
	{
		std::printf("| room | hand | skin steps held back | walls before | walls after it left |\n|---|---|---|---|---|\n%s",
			rows().c_str());
	}

protected:
	static std::string& rows()
	{
		static std::string text;
		return text;
	}
};

TEST_P(HandRescan, EverySkinToneIsWaitedForAndBuildsNothing)
{
	const auto& [roomIndex, shape] = GetParam();
	const HandRoom room = handRooms().at(size_t(roomIndex));
	const HandMasks hand = handMasks(shape);
	const RectifiedBoard drawing = drawnBoard(room.photography);
	RescanRig rig;
	Application& app = rig.app;

	const PassRecord first = rig.rescan(drawing);
	ASSERT_TRUE(first.eventsOf("hand").empty()) << room.name;
	ASSERT_EQ(first.eventsOf("newMap").size(), 1u) << room.name;
	// The same drawing read again: the walls it settles on.
	const double before = RescanRig::walls(rig.rescan(drawing));
	ASSERT_GT(before, 0.0) << room.name;
	const size_t bodies = app.scene().getBodies().size();
	const size_t wallRecords = app.analysis().wallRecords().size();

	int heldBack = 0;
	for (int step = 1; step <= 10; ++step)
	{
		const PassRecord held = rig.rescan(drawnBoard(room.photography, &hand, skinSteps[step - 1]));
		const bool waited = held.eventsOf("hand").size() == 1 && held.eventsOf("walls").empty() && held.eventsOf("newMap").empty();
		EXPECT_TRUE(waited) << "skin step " << step << ", " << shapeName(shape) << ", " << room.name;
		EXPECT_EQ(app.stillness().count(), 0) << "skin step " << step;
		EXPECT_EQ(app.scene().getBodies().size(), bodies) << "skin step " << step;
		EXPECT_EQ(app.analysis().wallRecords().size(), wallRecords) << "skin step " << step;
		heldBack += waited ? 1 : 0;
	}

	const PassRecord gone = rig.rescan(drawing);
	EXPECT_TRUE(gone.eventsOf("hand").empty());
	EXPECT_TRUE(gone.eventsOf("newMap").empty());
	EXPECT_EQ(RescanRig::walls(gone), before);

	char row[200];
	std::snprintf(row, sizeof row, "| %s | %s | %d of 10 | %.0f | %.0f |\n", room.name, shapeName(shape), heldBack, before,
		RescanRig::walls(gone));
	rows() += row;
}

INSTANTIATE_TEST_SUITE_P(Rooms, HandRescan,
	testing::Combine(testing::Range(0, int(handRooms().size())),
		testing::Values(HandShape::WholeFromBelow, HandShape::FingertipsBelow)),
	[](const testing::TestParamInfo<std::tuple<int, HandShape>>& info) {
		return testNameOf(handRooms().at(size_t(std::get<0>(info.param))).name) + testNameOf(shapeName(std::get<1>(info.param)));
	});

class NoHandRescan : public testing::TestWithParam<int>
{
};

/// A board with no hand on it, lit by the room and painted by `paint` after the drawing.
template <typename Paint>
RectifiedBoard boardWith(const Photography& room, Paint paint)
{
	RectifiedBoard board = paperBoard();
	drawTheDrawing(board.colour);
	paint(board.colour);
	photographBoard(board, room);
	return board;
}

/// The first scan of a board with a large filled area (5 % of the board)
/// or under a warm lamp's patch of light is a new map like any other: no hand.
TEST_P(NoHandRescan, AFilledAreaOrALampsPatchIsReadAsTheDrawing)
{
	const HandRoom room = handRooms().at(size_t(GetParam()));

	RescanRig filled;
	const PassRecord area = filled.rescan(boardWith(room.photography, [](cv::Mat& picture) {
		cv::rectangle(picture, cv::Rect(400, 300, 160, 100), cv::Scalar(30, 30, 30), cv::FILLED);
	}));
	EXPECT_TRUE(area.eventsOf("hand").empty()) << "a filled area, " << room.name;
	EXPECT_EQ(area.eventsOf("newMap").size(), 1u) << "a filled area, " << room.name;
	EXPECT_GT(RescanRig::walls(area), 0.0) << "a filled area, " << room.name;

	cv::Mat patch(480, 640, CV_32F);
	for (int y = 0; y < patch.rows; ++y)
	{
		for (int x = 0; x < patch.cols; ++x)
		{
			patch.at<float>(y, x) = float(std::exp(-(std::pow(x - 300.0, 2) + std::pow(y - 260.0, 2)) / (2.0 * 70.0 * 70.0)));
		}
	}
	RescanRig lamp;
	const PassRecord lit = lamp.rescan(boardWith(room.photography, [&patch](cv::Mat& picture) {
		addLight(picture, cv::Vec3d(1.0 / 1.35, 1.0, 1.35) * 1.2, patch);
	}));
	EXPECT_TRUE(lit.eventsOf("hand").empty()) << "a warm lamp's patch, " << room.name;
	EXPECT_EQ(lit.eventsOf("newMap").size(), 1u) << "a warm lamp's patch, " << room.name;
}

/// A large filled area drawn out to the board's edge, on a board never
/// scanned before, comes in across the edge as a hand would: it is held back,
/// and once it has lain just so through the watch's settled sightings it is
/// read as the drawing it is, said once. A hand that shifts a little between
/// the scans is held back for as long.
TEST(HandRescanOverTime, AFilledAreaAtTheEdgeIsDrawingOnceItHasLainStillAndAHandIsNot)
{
	const Photography room = handRooms().front().photography;
	RescanRig filled;
	const RectifiedBoard board = boardWith(room, [](cv::Mat& picture) {
		cv::rectangle(picture, cv::Rect(380, 360, 180, 120), cv::Scalar(30, 30, 30), cv::FILLED);
	});
	int heldBack = 0;
	PassRecord last;
	for (int scan = 0; scan < HandWatch::settledSightings && heldBack == scan; ++scan)
	{
		last = filled.rescan(board);
		heldBack += last.eventsOf("hand").size() == 1 ? 1 : 0;
	}
	EXPECT_EQ(heldBack, HandWatch::settledSightings - 1);
	EXPECT_EQ(last.eventsOf("settledRegion").size(), 1u);
	EXPECT_EQ(last.eventsOf("newMap").size(), 1u);
	EXPECT_GT(RescanRig::walls(last), 0.0);
	// Read again, it is the drawing: no hand, no second word of it.
	const PassRecord again = filled.rescan(board);
	EXPECT_TRUE(again.eventsOf("hand").empty());
	EXPECT_TRUE(again.eventsOf("settledRegion").empty());

	RescanRig handy;
	const HandMasks hand = handMasks(HandShape::WholeFromBelow);
	int handHeld = 0;
	for (int scan = 0; scan < HandWatch::settledSightings + 5; ++scan)
	{
		// A resting hand drifts by a few board pixels between scans.
		HandMasks moved;
		const cv::Matx23d shift(1, 0, 4.0 * (scan % 3), 0, 1, 3.0 * (scan % 2));
		for (const auto& [from, to] : {std::pair(&hand.whole, &moved.whole), std::pair(&hand.tips, &moved.tips),
				 std::pair(&hand.nails, &moved.nails)})
		{
			cv::warpAffine(*from, *to, shift, from->size());
		}
		const PassRecord held = handy.rescan(drawnBoard(room, &moved, skinSteps[4]));
		handHeld += held.eventsOf("hand").size() == 1 && held.eventsOf("walls").empty() ? 1 : 0;
		EXPECT_TRUE(held.eventsOf("settledRegion").empty()) << "scan " << scan;
	}
	EXPECT_EQ(handHeld, HandWatch::settledSightings + 5);
}

INSTANTIATE_TEST_SUITE_P(Rooms, NoHandRescan, testing::Range(0, int(handRooms().size())),
	[](const testing::TestParamInfo<int>& info) { return testNameOf(handRooms().at(size_t(info.param)).name); });

}  // namespace
