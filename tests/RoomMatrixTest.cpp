#include "TestSupport.h"

#include "scenes/ScriptedBoardCamera.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

// The table in ordinary rooms: the same hand-drawn board photographed by a
// webcam under warm, cool, dim, bright and uneven light, with noise, blur and
// compression, at two camera poses. In every room the game must find what it
// finds in the same scene under neutral light, make nothing that was not
// drawn, and see a hand exactly when one is there. The whole matrix is one
// test; it prints the table of what was recognised in each room.

namespace
{

struct Room
{
	const char* name;
	/// The scene statements of the room's light and its webcam.
	const char* light;
	const char* camera;
};

const Room rooms[] = {
	{"tungsten bulb, 2700 K, vignetting", "light temperature 2700 exposure 0.94 vignetting 0.25", "camera noise 3 jpeg 80"},
	{"warm-white LED, 3000 K, 20 % gradient", "light temperature 3000 exposure 0.8 gradient 0.2 30",
		"camera noise 3 blur 0.8 jpeg 70"},
	{"slightly warm: red +6 %, blue -8 %", "light cast 1.06 1 0.92 exposure 0.94", "camera jpeg 85"},
	{"dim evening, 3500 K, 0.6 of normal", "light temperature 3500 exposure 0.56 vignetting 0.3",
		"camera noise 4 blur 1 jpeg 70"},
	{"desk lamp at the side, 4000 K", "light temperature 4000 exposure 0.9 gradient 0.2 0 vignetting 0.35",
		"camera noise 3 jpeg 70"},
	{"overcast daylight, 6500 K, darker", "light temperature 6500 exposure 0.75 gradient 0.15 vignetting 0.2",
		"camera noise 3 jpeg 75"},
	{"cool shade, 7500 K", "light temperature 7500 exposure 0.94 gradient 0.1 90", "camera noise 3 jpeg 80"},
	{"bright sunny room, 5500 K, 1.2 of normal", "light temperature 5500 exposure 1.13 gradient 0.2 120",
		"camera jpeg 70"},
};

struct Pose
{
	const char* name;
	const char* view;
};

const Pose poses[] = {{"from above", "view 480 10 0"}, {"tilted 35, turned 20", "view 520 35 20"}};

/// The drawing, in board pixels: two black rings and a yellow one drawn by
/// hand (a little wobbly, not quite closed, a little oval, a little off the
/// templates' radius of 28), three strokes and the portal card.
struct DrawnRing
{
	cv::Point2f centre;
	float radius;
};
const DrawnRing blackRings[] = {{{190.0f, 190.0f}, 27.0f}, {{285.0f, 190.0f}, 30.0f}};
const DrawnRing yellowRings[] = {{{190.0f, 285.0f}, 28.5f}};
const cv::Point2f strokes[][2] = {{{320.0f, 175.0f}, {370.0f, 190.0f}}, {{260.0f, 255.0f}, {370.0f, 285.0f}},
	{{235.0f, 250.0f}, {235.0f, 320.0f}}};
const char* const drawing = "ring black 190 190 27 4 wobble 1.5 gap 8 oval 1.08 30\n"
							"ring black 285 190 30 4 wobble 1.2 oval 0.93\n"
							"ring yellow 190 285 28.5 4 wobble 1.2 gap 6 oval 1.05 60\n"
							"stroke black 4 320 175 370 190\n"
							"stroke black 4 260 255 370 285\n"
							"stroke black 4 235 250 235 320\n";

enum class Board
{
	Drawn,
	Empty,
	DrawnWithHand
};

/// What the first rescan of a still board made of it.
struct Seen
{
	bool scanned = false;
	bool hand = false;
	std::vector<bool> balls;     ///< per drawn black ring
	std::vector<bool> sensors;   ///< per drawn yellow ring
	std::vector<bool> strokes;   ///< per drawn stroke, a wall along it
	int strayBodies = 0;         ///< balls or sensors away from every drawn ring
	int strayWalls = 0;          ///< walls away from every drawn line
};

std::string sceneText(const Pose& pose, const Room* room, const char* camera, Board board)
{
	std::ostringstream text;
	text << pose.view << "\n";
	if (room != nullptr)
	{
		text << room->light << "\n";
	}
	text << camera << "\n" << "map board\n" << (board == Board::Empty ? "" : drawing) << "portal 500 240\n";
	if (board == Board::DrawnWithHand)
	{
		text << "at 1 hand 330 270\n";
	}
	return text.str();
}

double distanceToSegment(cv::Point2f p, cv::Point2f a, cv::Point2f b)
{
	const cv::Point2f ab = b - a;
	const float t = std::max(0.0f, std::min(1.0f, (p - a).dot(ab) / ab.dot(ab)));
	return cv::norm(p - (a + t * ab));
}

/// How far a board point lies from the drawn black ink.
double distanceToBlackInk(cv::Point2f p)
{
	double nearest = 1e9;
	for (const DrawnRing& ring : blackRings)
	{
		nearest = std::min(nearest, std::abs(cv::norm(p - ring.centre) - ring.radius));
	}
	for (const auto& stroke : strokes)
	{
		nearest = std::min(nearest, distanceToSegment(p, stroke[0], stroke[1]));
	}
	return nearest;
}

/// A record's circle lies on one of the drawn rings' centres.
template <size_t N>
void markFound(const std::vector<ShapeRecord>& records, const DrawnRing (&rings)[N], std::vector<bool>& found, int& stray)
{
	found.assign(N, false);
	for (const ShapeRecord& record : records)
	{
		const cv::Point2f centre(float(record.descriptor.at<double>(0)), float(record.descriptor.at<double>(1)));
		bool onRing = false;
		for (size_t i = 0; i < N; ++i)
		{
			if (cv::norm(centre - rings[i].centre) < 6.0)
			{
				found[i] = onRing = true;
			}
		}
		stray += onRing ? 0 : 1;
	}
}

Seen look(const Pose& pose, const Room* room, const char* camera, Board board)
{
	SceneScript script;
	std::string error;
	const std::string text = sceneText(pose, room, camera, board);
	EXPECT_TRUE(parseSceneScript(text, "room.scene", script, error)) << error;
	BoardCameraFiles files;
	EXPECT_TRUE(readBoardCameraFiles("Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", files, error))
		<< error;
	::testing::internal::CaptureStdout();
	TestProgram program(std::make_unique<ScriptedBoardCamera>(script, files.board, files.portal, files.camera));
	program.run(16);
	::testing::internal::GetCapturedStdout();

	Seen seen;
	const PassRecord& rescan = program.passes.back();
	const auto scans = rescan.eventsOf("scan");
	seen.scanned = !scans.empty() && scans[0]->fields.at(0).second == "true";
	seen.hand = !rescan.eventsOf("hand").empty();
	const DrawingAnalysis& analysis = program.app->analysis;
	markFound(analysis.ballRecords, blackRings, seen.balls, seen.strayBodies);
	markFound(analysis.sensorCircleRecords, yellowRings, seen.sensors, seen.strayBodies);

	// A stroke is found when a wall runs along nearly all of it.
	const auto& walls = program.app->ink.blackContours;
	for (const auto& stroke : strokes)
	{
		int samples = 0, covered = 0;
		const double length = cv::norm(stroke[1] - stroke[0]);
		for (double along = 6.0; along <= length - 6.0; along += 4.0, ++samples)
		{
			const cv::Point2f p = stroke[0] + (stroke[1] - stroke[0]) * float(along / length);
			// Contours keep only the ends of straight runs: measure to their segments.
			bool near = false;
			for (const auto& wall : walls)
			{
				for (size_t k = 0; k < wall.size(); ++k)
				{
					near = near || distanceToSegment(p, wall[k], wall[(k + 1) % wall.size()]) < 4.0;
				}
			}
			covered += near ? 1 : 0;
		}
		seen.strokes.push_back(samples > 0 && covered >= samples * 9 / 10);
	}
	for (const auto& wall : walls)
	{
		double farthest = 0.0;
		for (const cv::Point& q : wall)
		{
			farthest = std::max(farthest, distanceToBlackInk(cv::Point2f(q)));
		}
		// On an empty board every wall is a stray.
		seen.strayWalls += farthest > 6.0 || board == Board::Empty ? 1 : 0;
	}
	return seen;
}

int count(const std::vector<bool>& found)
{
	return int(std::count(found.begin(), found.end(), true));
}

/// Every element found under neutral light is found in the room too.
bool atLeast(const std::vector<bool>& room, const std::vector<bool>& neutral)
{
	for (size_t i = 0; i < neutral.size(); ++i)
	{
		if (neutral[i] && !(i < room.size() && room[i]))
		{
			return false;
		}
	}
	return true;
}

/// One row of the table: what one room showed at one pose.
std::string row(const Room& room, const Pose& pose, const Seen& drawn, const Seen& empty, const Seen& hand)
{
	const int strays = drawn.strayBodies + drawn.strayWalls + empty.strayBodies + empty.strayWalls;
	char text[320];
	std::snprintf(text, sizeof text, "| %s | %s | %s | %d of 2 | %d of 1 | %d of 3 | %s | %s | %s |\n", room.name,
		room.camera + 7, pose.name, count(drawn.balls), count(drawn.sensors), count(drawn.strokes),
		strays == 0 ? "none" : std::to_string(strays).c_str(), drawn.hand || empty.hand ? "yes" : "no",
		hand.hand ? "yes" : "no");
	return text;
}

TEST(RoomMatrix, EveryRoomSeesWhatNeutralLightSeesAndNothingElse)
{
	std::string table = "| room | webcam | camera | balls | sensors | walls | made from nothing | hand seen, none there "
						"| hand seen, one there |\n|---|---|---|---|---|---|---|---|---|\n";
	for (const Room& room : rooms)
	{
		for (const Pose& pose : poses)
		{
			SCOPED_TRACE(std::string(room.name) + ", " + pose.name);
			const Seen neutral = look(pose, nullptr, room.camera, Board::Drawn);
			const Seen drawn = look(pose, &room, room.camera, Board::Drawn);
			const Seen empty = look(pose, &room, room.camera, Board::Empty);
			const Seen hand = look(pose, &room, room.camera, Board::DrawnWithHand);

			ASSERT_TRUE(neutral.scanned && drawn.scanned && empty.scanned && hand.scanned);
			// Under neutral light with this camera the drawing is found whole,
			// so "at least as much" asks for everything.
			EXPECT_EQ(count(neutral.balls) + count(neutral.sensors) + count(neutral.strokes), 6);
			EXPECT_TRUE(atLeast(drawn.balls, neutral.balls));
			EXPECT_TRUE(atLeast(drawn.sensors, neutral.sensors));
			EXPECT_TRUE(atLeast(drawn.strokes, neutral.strokes));
			EXPECT_EQ(drawn.strayBodies, 0);
			EXPECT_EQ(drawn.strayWalls, 0);
			EXPECT_FALSE(drawn.hand);

			EXPECT_EQ(count(empty.balls) + count(empty.sensors) + empty.strayBodies, 0);
			EXPECT_EQ(empty.strayWalls, 0);
			EXPECT_FALSE(empty.hand);

			EXPECT_TRUE(hand.hand);
			table += row(room, pose, drawn, empty, hand);
		}
	}
	std::printf("%s", table.c_str());
}

}  // namespace
