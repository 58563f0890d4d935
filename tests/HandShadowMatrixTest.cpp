#include "DrawnBoardSurvey.h"
#include "MatrixRooms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

// Hands with their own shadows, through the whole program: in every room of
// the room matrix, a hand of every step of the skin tone scale, shaded as a
// real hand is, casts its soft shadow beside it (20 to 50 % darker, a soft
// edge of 5 to 30 board pixels, on either side). It rests on the board at the
// first scan, leaves, and comes in again over the drawing the scan read: both
// scans are held back and nothing is built from skin or shadow, and in between
// the drawing is read whole. Each room is a test of its own; a run of the
// whole matrix in one process prints the table.

namespace
{

/// The shadows the hands cast, taken in turn by the skin steps of a room
/// (another turn in each room, so that every step meets several).
const char* const shadows[] = {
	"shadow 0.2 soft 5 towards 0 15",
	"shadow 0.35 soft 10 towards 180 15",
	"shadow 0.5 soft 30 towards -30 20",
	"shadow 0.4 soft 20 towards 135 25",
	"shadow 0.3 soft 15 towards 200 18",
};

/// The hand at rest from the first pass, away in pass 17, in again from the
/// bottom edge in pass 36 and resting on the drawing from pass 44.
const char* const handTimeline = "at 1 hand 330 270\nat 17 hand away\nat 36 hand 360 600\nat 44 hand glide 330 270";
constexpr int passes = 75;

/// What the scans of one play made: whether each held back for a hand, and
/// what the one between them read.
struct Scans
{
	bool atRestHeld = false;
	bool comingInHeld = false;
	bool drawingWhole = false;
	int built = 0;  ///< bodies and walls built by the scans that saw a hand
};

Scans play(const MatrixRoom& room, int skin, const char* shadow)
{
	const std::string setting = std::string("view 480 10 0\n") + room.light + "\ncamera " + room.webcam + "\nhand skin "
		+ std::to_string(skin) + " " + shadow;
	const std::unique_ptr<TestProgram> program = playedScene(drawnBoardScene(setting, Board::Drawn) + handTimeline, passes);
	std::vector<const PassRecord*> scans;
	for (const PassRecord& pass : program->passes)
	{
		if (!pass.eventsOf("scan").empty())
		{
			scans.push_back(&pass);
		}
	}
	Scans seen;
	if (scans.size() < 3)
	{
		return seen;
	}
	const auto held = [&seen](const PassRecord& scan) {
		seen.built += int(scan.eventsOf("ball").size() + scan.eventsOf("sensor").size() + scan.eventsOf("walls").size());
		return scan.eventsOf("hand").size() == 1;
	};
	seen.atRestHeld = held(*scans[0]);
	const PassRecord& drawing = *scans[1];
	seen.drawingWhole = drawing.eventsOf("hand").empty() && drawing.eventsOf("ball").size() == size_t(drawnBalls)
		&& drawing.eventsOf("sensor").size() == size_t(drawnSensors);
	seen.comingInHeld = true;
	for (size_t i = 2; i < scans.size(); ++i)
	{
		seen.comingInHeld = held(*scans[i]) && seen.comingInHeld;
	}
	return seen;
}

constexpr char tableHead[] = "| room | held back at rest | held back coming in | drawing read between |\n|---|---|---|---|\n";

using HandShadowMatrix = SurveyTable<MatrixRoom, tableHead>;

TEST_P(HandShadowMatrix, EverySkinToneWithItsShadowIsWaitedForAndBuildsNothing)
{
	const MatrixRoom& room = GetParam();
	const int turn = int(std::find_if(std::begin(matrixRooms), std::end(matrixRooms),
							 [&room](const MatrixRoom& other) { return std::string(other.id) == room.id; })
		- std::begin(matrixRooms));
	int atRest = 0, comingIn = 0, between = 0;
	for (int skin = 1; skin <= 10; ++skin)
	{
		const char* shadow = shadows[size_t(skin + turn) % std::size(shadows)];
		const Scans seen = play(room, skin, shadow);
		EXPECT_TRUE(seen.atRestHeld) << "at rest: skin " << skin << ", " << shadow;
		EXPECT_TRUE(seen.comingInHeld) << "coming in: skin " << skin << ", " << shadow;
		EXPECT_TRUE(seen.drawingWhole) << "the drawing between: skin " << skin << ", " << shadow;
		EXPECT_EQ(seen.built, 0) << "built under the hand: skin " << skin << ", " << shadow;
		atRest += seen.atRestHeld ? 1 : 0;
		comingIn += seen.comingInHeld ? 1 : 0;
		between += seen.drawingWhole ? 1 : 0;
	}
	char row[240];
	std::snprintf(row, sizeof row, "| %s | %d of 10 | %d of 10 | %d of 10 |\n", room.name, atRest, comingIn, between);
	rows() += row;
}

INSTANTIATE_TEST_SUITE_P(Rooms, HandShadowMatrix, testing::ValuesIn(matrixRooms),
	[](const testing::TestParamInfo<MatrixRoom>& info) { return std::string(info.param.id); });

}  // namespace
