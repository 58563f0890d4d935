#include "DrawnBoardSurvey.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

// The table in ordinary rooms: the same hand-drawn board photographed by a
// webcam under warm, cool, dim, bright and uneven light, with noise, blur and
// compression, at two camera poses. In every room the game must find what it
// finds in the same scene under neutral light, make nothing that was not
// drawn, and see a hand exactly when one is there. Each room at each pose is a
// test of its own, named after both; each prints its row of the table of what
// was recognised, under the table's head, and a run of the whole suite in one
// process (--gtest_filter='Rooms/RoomMatrix.*') prints the whole table once.

namespace
{

struct Room
{
	/// The test's name for it.
	const char* id;
	const char* name;
	/// The scene statement of the room's light, and the words of its webcam's
	/// camera statement.
	const char* light;
	const char* webcam;
};

const Room rooms[] = {
	{"Tungsten", "tungsten bulb, 2700 K, vignetting", "light temperature 2700 exposure 0.94 vignetting 0.25",
		"noise 3 jpeg 80"},
	{"WarmLed", "warm-white LED, 3000 K, 20 % gradient", "light temperature 3000 exposure 0.8 gradient 0.2 30",
		"noise 3 blur 0.8 jpeg 70"},
	{"SlightlyWarm", "slightly warm: red +6 %, blue -8 %", "light cast 1.06 1 0.92 exposure 0.94", "jpeg 85"},
	{"DimEvening", "dim evening, 3500 K, 0.6 of normal", "light temperature 3500 exposure 0.56 vignetting 0.3",
		"noise 4 blur 1 jpeg 70"},
	{"DeskLamp", "desk lamp at the side, 4000 K", "light temperature 4000 exposure 0.9 gradient 0.2 0 vignetting 0.35",
		"noise 3 jpeg 70"},
	{"Overcast", "overcast daylight, 6500 K, darker", "light temperature 6500 exposure 0.75 gradient 0.15 vignetting 0.2",
		"noise 3 jpeg 75"},
	{"CoolShade", "cool shade, 7500 K", "light temperature 7500 exposure 0.94 gradient 0.1 90", "noise 3 jpeg 80"},
	{"BrightSunny", "bright sunny room, 5500 K, 1.2 of normal", "light temperature 5500 exposure 1.13 gradient 0.2 120",
		"jpeg 70"},
};

struct Pose
{
	const char* id;
	const char* name;
	const char* view;
};

const Pose poses[] = {{"FromAbove", "from above", "view 480 10 0"}, {"Tilted", "tilted 35, turned 20", "view 520 35 20"}};

void PrintTo(const Room& room, std::ostream* out)
{
	*out << room.name << " (" << room.webcam << ")";
}

void PrintTo(const Pose& pose, std::ostream* out)
{
	*out << pose.name;
}

std::string sceneText(const Pose& pose, const Room* room, const char* webcam, Board board)
{
	std::string setting = std::string(pose.view) + "\n";
	if (room != nullptr)
	{
		setting += std::string(room->light) + "\n";
	}
	setting += std::string("camera ") + webcam;
	return drawnBoardScene(setting, board);
}

Seen look(const Pose& pose, const Room* room, const char* webcam, Board board)
{
	return survey(sceneText(pose, room, webcam, board), board);
}

constexpr char tableHead[] = "| room | webcam | camera | balls | sensors | walls | made from nothing "
							  "| hand seen, none there | hand seen, one there |\n|---|---|---|---|---|---|---|---|---|\n";

/// One row of the table: what one room showed at one pose.
std::string row(const Room& room, const Pose& pose, const Seen& drawn, const Seen& empty, const Seen& hand)
{
	const int strays = drawn.strayBodies + drawn.strayWalls + empty.strayBodies + empty.strayWalls;
	char text[320];
	std::snprintf(text, sizeof text, "| %s | %s | %s | %d of 2 | %d of 1 | %d of 3 | %s | %s | %s |\n", room.name,
		room.webcam, pose.name, count(drawn.balls), count(drawn.sensors), count(drawn.strokes),
		strays == 0 ? "none" : std::to_string(strays).c_str(), drawn.hand || empty.hand ? "yes" : "no",
		hand.hand ? "yes" : "no");
	return text;
}

/// One room at one pose.
using RoomMatrix = SurveyTable<std::tuple<Room, Pose>, tableHead>;

TEST_P(RoomMatrix, SeesWhatNeutralLightSeesAndNothingElse)
{
	const auto& [room, pose] = GetParam();
	const Seen neutral = look(pose, nullptr, room.webcam, Board::Drawn);
	const Seen drawn = look(pose, &room, room.webcam, Board::Drawn);
	const Seen empty = look(pose, &room, room.webcam, Board::Empty);
	const Seen hand = look(pose, &room, room.webcam, Board::DrawnWithHand);
	rows() += row(room, pose, drawn, empty, hand);
	EXPECT_EQ(shortOfEvenLight(neutral, drawn, empty, hand), "");
}

INSTANTIATE_TEST_SUITE_P(Rooms, RoomMatrix, testing::Combine(testing::ValuesIn(rooms), testing::ValuesIn(poses)),
	[](const testing::TestParamInfo<std::tuple<Room, Pose>>& info) {
		return std::string(std::get<0>(info.param).id) + "_" + std::get<1>(info.param).id;
	});

}  // namespace
