#include "DrawnBoardSurvey.h"
#include "MatrixRooms.h"

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

struct Pose
{
	const char* id;
	const char* name;
	const char* view;
};

const Pose poses[] = {{"FromAbove", "from above", "view 480 10 0"}, {"Tilted", "tilted 35, turned 20", "view 520 35 20"}};

void PrintTo(const Pose& pose, std::ostream* out)
{
	*out << pose.name;
}

std::string sceneText(const Pose& pose, const MatrixRoom* room, const char* webcam, Board board)
{
	std::string setting = std::string(pose.view) + "\n";
	if (room != nullptr)
	{
		setting += std::string(room->light) + "\n";
	}
	setting += std::string("camera ") + webcam;
	return drawnBoardScene(setting, board);
}

Seen look(const Pose& pose, const MatrixRoom* room, const char* webcam, Board board)
{
	return survey(sceneText(pose, room, webcam, board), board);
}

constexpr char tableHead[] = "| room | webcam | camera | balls | sensors | walls | made from nothing "
							  "| hand seen, none there | hand seen, one there |\n|---|---|---|---|---|---|---|---|---|\n";

/// One row of the table: what one room showed at one pose.
std::string row(const MatrixRoom& room, const Pose& pose, const Seen& drawn, const Seen& empty, const Seen& hand)
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
using RoomMatrix = SurveyTable<std::tuple<MatrixRoom, Pose>, tableHead>;

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

INSTANTIATE_TEST_SUITE_P(Rooms, RoomMatrix, testing::Combine(testing::ValuesIn(matrixRooms), testing::ValuesIn(poses)),
	[](const testing::TestParamInfo<std::tuple<MatrixRoom, Pose>>& info) {
		return std::string(std::get<0>(info.param).id) + "_" + std::get<1>(info.param).id;
	});

}  // namespace
