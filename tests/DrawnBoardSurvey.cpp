#include "DrawnBoardSurvey.h"

#include "TestSupport.h"

#include "scenes/ScriptedBoardCamera.h"

#include <algorithm>
#include <sstream>

namespace
{

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
static_assert(std::size(blackRings) == drawnBalls && std::size(yellowRings) == drawnSensors
	&& std::size(strokes) == drawnStrokes);

std::string drawingText(const DrawingPens& pens)
{
	std::ostringstream text;
	const std::string& black = pens.black;
	const float width = pens.blackWidth;
	text << "ring " << black << " 190 190 27 " << width << " wobble 1.5 gap 8 oval 1.08 30\n"
		 << "ring " << black << " 285 190 30 " << width << " wobble 1.2 oval 0.93\n"
		 << "ring " << pens.highlighter << " 190 285 28.5 " << pens.highlighterWidth << " wobble 1.2 gap 6 oval 1.05 60\n"
		 << "stroke " << black << " " << width << " 320 175 370 190\n"
		 << "stroke " << black << " " << width << " 260 255 370 285\n"
		 << "stroke " << black << " " << width << " 235 250 235 320\n";
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

/// A stroke is found when a wall runs along nearly all of it.
bool wallAlong(const cv::Point2f (&stroke)[2], const std::vector<std::vector<cv::Point>>& walls)
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
	return samples > 0 && covered >= samples * 9 / 10;
}

}  // namespace

std::string drawnBoardScene(const std::string& setting, Board board, const DrawingPens& pens, const std::string& hand)
{
	std::ostringstream text;
	text << setting << "\nmap board\n" << (board == Board::Empty ? "" : drawingText(pens)) << "portal 500 240\n";
	if (board == Board::DrawnWithHand)
	{
		text << hand << "\n";
	}
	return text.str();
}

std::unique_ptr<TestProgram> playedScene(const std::string& sceneText, int passes)
{
	SceneScript script;
	std::string error;
	EXPECT_TRUE(parseSceneScript(sceneText, "played.scene", script, error)) << error;
	BoardCameraFiles files;
	EXPECT_TRUE(readBoardCameraFiles("Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", files, error))
		<< error;
	::testing::internal::CaptureStdout();
	auto program = std::make_unique<TestProgram>(std::make_unique<ScriptedBoardCamera>(script, files.board, files.portal, files.camera));
	program->run(passes);
	::testing::internal::GetCapturedStdout();
	return program;
}

Seen survey(const std::string& sceneText, Board board, int passes)
{
	const std::unique_ptr<TestProgram> played = playedScene(sceneText, passes);
	const TestProgram& program = *played;

	Seen seen;
	// What the analysis holds is what the last rescan made of the board.
	const auto scanned = std::find_if(program.passes.rbegin(), program.passes.rend(),
		[](const PassRecord& pass) { return !pass.eventsOf("scan").empty(); });
	const PassRecord& rescan = scanned != program.passes.rend() ? *scanned : program.passes.back();
	seen.scanned = scanFound(rescan);
	seen.hand = !rescan.eventsOf("hand").empty();
	const DrawingAnalysis& analysis = program.app->analysis();
	markFound(analysis.ballRecords(), blackRings, seen.balls, seen.strayBodies);
	markFound(analysis.sensorCircleRecords(), yellowRings, seen.sensors, seen.strayBodies);

	const auto& walls = program.app->ink().blackContours;
	for (const auto& stroke : strokes)
	{
		seen.strokes.push_back(wallAlong(stroke, walls));
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

bool atLeast(const std::vector<bool>& here, const std::vector<bool>& even)
{
	for (size_t i = 0; i < even.size(); ++i)
	{
		if (even[i] && !(i < here.size() && here[i]))
		{
			return false;
		}
	}
	return true;
}

std::string shortOfEvenLight(const Seen& even, const Seen& drawn, const Seen& empty, const Seen& hand)
{
	if (!even.scanned || !drawn.scanned || !empty.scanned || !hand.scanned)
	{
		return "a board not found";
	}
	std::string missed;
	const auto say = [&missed](bool fault, const std::string& what) {
		missed += fault ? (missed.empty() ? "" : "; ") + what : "";
	};
	const int whole = drawnBalls + drawnSensors + drawnStrokes;
	say(count(even.balls) + count(even.sensors) + count(even.strokes) != whole, "not all found under even light");
	say(!atLeast(drawn.balls, even.balls), std::to_string(count(drawn.balls)) + " of " + std::to_string(drawnBalls) + " balls");
	say(!atLeast(drawn.sensors, even.sensors),
		std::to_string(count(drawn.sensors)) + " of " + std::to_string(drawnSensors) + " sensors");
	say(!atLeast(drawn.strokes, even.strokes),
		std::to_string(count(drawn.strokes)) + " of " + std::to_string(drawnStrokes) + " walls");
	say(drawn.strayBodies + drawn.strayWalls != 0, std::to_string(drawn.strayBodies + drawn.strayWalls)
		+ " balls, sensors or walls made from nothing on the drawn board");
	say(drawn.hand, "a hand seen on the drawn board");
	say(count(empty.balls) + count(empty.sensors) + empty.strayBodies + empty.strayWalls != 0,
		"bodies or walls on the empty board");
	say(empty.hand, "a hand seen on the empty board");
	say(!hand.hand, "the hand over the board not seen");
	say(hand.strayWalls + hand.strayBodies != 0, "walls or bodies made from the hand");
	return missed;
}
