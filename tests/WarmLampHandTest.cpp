#include "DrawnBoardSurvey.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

// A hand in a warm lamp's half of the board: the right half lit by a lamp of
// 2700 K beside daylight, the light's edge running down the board between the
// rings. The smooth paper field cannot follow the edge, so the lit half reads
// warm, like skin, and the hand in it reads as part of one softly edged area.
// The drawing is scanned before the hand comes; then the hand, of every skin
// tone, must hold the scan back, while the light alone, on an empty board, is
// scanned.

namespace
{

/// The rescans of a scene played for `passes` passes, in order.
std::vector<PassRecord> rescans(const std::string& sceneText, int passes)
{
	const std::unique_ptr<TestProgram> program = playedScene(sceneText, passes);
	std::vector<PassRecord> scans;
	for (const PassRecord& pass : program->passes)
	{
		if (!pass.eventsOf("scan").empty())
		{
			scans.push_back(pass);
		}
	}
	return scans;
}

std::string lampSetting(int edge, const std::string& skin)
{
	return "view 480 10 0\nlight temperature 5500 exposure 0.94\ncamera noise 3 jpeg 80 grain fresh\n"
		   "patch half 240 240 0 temperature 2700 exposure 1 edge "
		+ std::to_string(edge) + "\n" + skin;
}

class WarmLampHand : public testing::TestWithParam<int>
{
};

TEST_P(WarmLampHand, EverySkinToneInTheLitHalfHoldsTheScanBackAndTheLightAloneDoesNot)
{
	const int edge = GetParam();
	const Seen empty = survey(drawnBoardScene(lampSetting(edge, ""), Board::Empty), Board::Empty);
	EXPECT_TRUE(empty.scanned && !empty.hand) << "the empty board under the lamp, edge " << edge;
	EXPECT_EQ(empty.strayWalls + empty.strayBodies, 0) << "edge " << edge;

	// The flat hand of the scenes, and shaded hands from the lightest to the
	// darkest step, the palm well inside the lit half.
	for (const std::string skin : {"", "hand skin 1", "hand skin 4", "hand skin 7", "hand skin 10"})
	{
		const std::string what = (skin.empty() ? "the flat hand" : skin) + ", edge " + std::to_string(edge);
		// The drawing is read first; the hand comes in afterwards.
		const std::vector<PassRecord> scans
			= rescans(drawnBoardScene(lampSetting(edge, skin), Board::DrawnWithHand, DrawingPens(), "at 20 hand 330 270"), 40);
		ASSERT_EQ(scans.size(), 2u) << what;
		EXPECT_TRUE(scanFound(scans[0]) && scans[0].eventsOf("hand").empty()) << "the drawing before the hand, " << what;
		EXPECT_EQ(scans[0].eventsOf("newMap").size(), 1u) << what;
		EXPECT_EQ(scans[1].eventsOf("hand").size(), 1u) << "the hand, " << what;
		EXPECT_TRUE(scans[1].eventsOf("walls").empty()) << "walls built under the hand, " << what;
	}
}

TEST_P(WarmLampHand, LitPaperEnclosedByStrokesOutToTheEdgeIsDrawingNotAHand)
{
	// In the lamp's half, strokes drawn out to the board's bottom edge close
	// a piece of lit paper in: warm as the lamp's light reads beside daylight,
	// outlined all round by ink and the edge, never in an earlier drawing.
	// Its first scan builds the strokes; nothing of it is a hand. Another
	// pair closes paper in at the right edge, between the card and the corner.
	const int edge = GetParam();
	const std::string strokes = "stroke black 4 270 380 270 479\nstroke black 4 370 380 370 479\n"
								"stroke black 4 270 380 370 380\n"
								"stroke black 4 639 380 560 380\nstroke black 4 560 380 560 479\n";
	const std::string scene = lampSetting(edge, "") + "\nmap board\n" + strokes + "portal 500 240\n";
	const std::vector<PassRecord> scans = rescans(scene, 16);
	ASSERT_EQ(scans.size(), 1u) << "edge " << edge;
	EXPECT_TRUE(scanFound(scans[0])) << "edge " << edge;
	EXPECT_TRUE(scans[0].eventsOf("hand").empty()) << "lit paper between strokes taken for a hand, edge " << edge;
	EXPECT_EQ(scans[0].eventsOf("newMap").size(), 1u) << "edge " << edge;
	EXPECT_FALSE(scans[0].eventsOf("walls").empty()) << "edge " << edge;
}

INSTANTIATE_TEST_SUITE_P(Edges, WarmLampHand, testing::Values(15, 40),
	[](const testing::TestParamInfo<int>& info) { return "Edge" + std::to_string(info.param); });

}  // namespace
