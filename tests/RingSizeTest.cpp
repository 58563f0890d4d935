#include "DrawnBoardSurvey.h"
#include "ScratchFiles.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include "analysis/DrawnCircles.h"
#include "analysis/RingJudgement.h"
#include "core/PixelWorldMapping.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

// Rings drawn larger or smaller than the circle templates, and a wobbly one of
// their size, on a board the synthetic camera films: what each became, what
// the player was told, and how large the bodies of rings of any size are.

namespace
{

/// Board pixels of paper per millimetre on the shipped board.
constexpr double pixelsPerMm = 639.0 / 312.0;

/// Where the rings are drawn, board pixels.
constexpr double blackRingX = 240.0;
constexpr double yellowRingX = 400.0;
constexpr double ringsY = 240.0;

/// A black and a yellow ring of `diameterMm`, side by side, and `more`.
std::string ringsScene(double diameterMm, const std::string& more = "")
{
	const double radius = diameterMm / 2.0 * pixelsPerMm;
	char rings[160];
	std::snprintf(rings, sizeof rings, "ring black %.0f %.0f %.1f 3%s\nring yellow %.0f %.0f %.1f 3%s\n", blackRingX,
		ringsY, radius, more.c_str(), yellowRingX, ringsY, radius, more.c_str());
	return std::string("view 480 10 0\nmap rings\n") + rings;
}

/// The program after its first rescan of `scene`, its console kept in `said`.
std::unique_ptr<TestProgram> firstRescan(const std::string& scene, bool anySize, std::string& said)
{
	testing::internal::CaptureStderr();
	std::unique_ptr<TestProgram> program = playedScene(scene, 0);
	program->app->takeRingsOfAnySize(anySize);
	program->run(16);
	said = testing::internal::GetCapturedStderr();
	return program;
}

/// Radii of the bodies of one kind, in board pixels.
std::vector<double> radiiOf(const PhysicsScene& scene, int kind)
{
	std::vector<double> radii;
	for (const BodyInfo* info : scene.collectBodyInfo())
	{
		if (info->kind == kind)
		{
			radii.push_back(info->body->GetFixtureList()->GetShape()->m_radius * std::abs(boardMapping.scaleX));
		}
	}
	return radii;
}

std::vector<const Event*> eventsOf(const TestProgram& program, const std::string& type)
{
	std::vector<const Event*> found;
	for (const PassRecord& record : program.passes)
	{
		const std::vector<const Event*> these = record.eventsOf(type);
		found.insert(found.end(), these.begin(), these.end());
	}
	return found;
}

struct RingCase
{
	double diameterMm;
	bool anySize;
	/// The black ring becomes a ball, the yellow one a sensor.
	bool ball;
	bool sensor;
};

class RingSizes : public testing::TestWithParam<RingCase>
{
};

/// One ink's ring: a body as large as the ring (with rings of any size), or
/// none and the word why, once, naming its size and the sizes taken.
void expectTakenOrTold(const TestProgram& program, const RingCase& ring, int kind, const std::string& ink,
	bool taken, const std::string& said)
{
	const std::vector<double> radii = radiiOf(program.app->scene(), kind);
	std::vector<const Event*> refused;
	for (const Event* event : eventsOf(program, "wrongSize"))
	{
		if (eventField(*event, "ink") == "\"" + ink + "\"")
		{
			refused.push_back(event);
		}
	}
	if (taken)
	{
		ASSERT_EQ(radii.size(), 1u) << ink;
		EXPECT_TRUE(refused.empty()) << ink;
		// As large as the pen's line lies round it, with rings of any size.
		const double drawn = ring.anySize ? ring.diameterMm / 2.0 * pixelsPerMm : circleRadius * std::abs(boardMapping.scaleX);
		EXPECT_NEAR(radii[0], drawn, 0.05 * drawn + 0.5) << ink;
		return;
	}
	EXPECT_TRUE(radii.empty()) << ink;
	ASSERT_EQ(refused.size(), 1u) << ink << ": one word for the ring, once";
	const Event& event = *refused[0];
	EXPECT_NEAR(event.number("diameter"), ring.diameterMm, 1.0) << ink;
	// Where that ink's ring was drawn.
	const cv::Point2d drawnAt = boardMapping.toPixel(float(event.number("x")), float(event.number("y")));
	EXPECT_NEAR(drawnAt.x, kind == Solid ? blackRingX : yellowRingX, 3.0) << ink;
	EXPECT_NEAR(drawnAt.y, ringsY, 3.0) << ink;
	EXPECT_TRUE(ring.diameterMm > event.number("largest") || ring.diameterMm < event.number("smallest"))
		<< event.number("smallest") << " to " << event.number("largest");
	if (ring.anySize)
	{
		EXPECT_EQ(event.number("smallest"), anySizeSmallestMm);
		EXPECT_EQ(event.number("largest"), anySizeLargestMm);
	}
	const std::string words = "a " + ink + " ring " + std::to_string(int(std::lround(event.number("diameter"))))
		+ " mm across " + (kind == Solid ? "was taken for a wall: balls" : "was not taken for a sensor: sensors")
		+ " are drawn ";
	const size_t at = said.find(words);
	ASSERT_NE(at, std::string::npos) << said;
	const std::string line = said.substr(at, said.find('\n', at) - at);
	EXPECT_EQ(line.find("drawtable-make-templates") == std::string::npos, ring.anySize) << line;
}

TEST_P(RingSizes, TakenAsLargeAsDrawnOrToldWhyNot)
{
	const RingCase& ring = GetParam();
	std::string said;
	const std::unique_ptr<TestProgram> program = firstRescan(ringsScene(ring.diameterMm), ring.anySize, said);
	ASSERT_TRUE(scanFound(program->passes.back()));
	expectTakenOrTold(*program, ring, Solid, "black", ring.ball, said);
	expectTakenOrTold(*program, ring, SensorCircle, "yellow", ring.sensor, said);
	// The status line says the first ring refused, black before yellow.
	const std::string& status = program->app->circleSizeWords();
	EXPECT_EQ(status.empty(), ring.ball && ring.sensor) << status;
	EXPECT_EQ(status.rfind(ring.ball ? "a yellow ring" : "a black ring", 0), status.empty() ? std::string::npos : 0u)
		<< status;
}

INSTANTIATE_TEST_SUITE_P(Board, RingSizes,
	testing::Values(RingCase{12, false, false, false}, RingCase{20, false, true, false},
		RingCase{40, false, false, false}, RingCase{60, false, false, false}, RingCase{70, false, false, false},
		RingCase{12, true, true, true}, RingCase{20, true, true, true}, RingCase{40, true, true, true},
		RingCase{60, true, true, true}, RingCase{70, true, false, false}),
	[](const testing::TestParamInfo<RingCase>& info) {
		return std::to_string(int(info.param.diameterMm)) + (info.param.anySize ? "mmAnySize" : "mm");
	});

/// The ring of the templates' size drawn with a wobbling hand fails for its
/// unevenness, not its size: the word says so, rings of any size do not take
/// it either, and it is said once however often the board is scanned; drawn
/// again round, it is a ball and the status line clears.
TEST(RingWords, AWobblyRingIsToldItIsNotRoundEnoughOnceAndTheWordGoesWhenItIsRedrawn)
{
	for (const bool anySize : {false, true})
	{
		const std::string scene = "view 480 10 0\nmap wobbly\nring black 250 220 27.6 4 wobble 5\n"
								  "map round\nring black 250 220 27.6 4\nat 1 map wobbly\nat 20 hand 330 270\nat 24 hand away\n"
								  "at 56 map round\nat 56 hand 330 270\nat 60 hand away\n";
		std::string said;
		const std::unique_ptr<TestProgram> program = firstRescan(scene, anySize, said);
		const std::vector<const Event*> uneven = eventsOf(*program, "unevenRing");
		ASSERT_EQ(uneven.size(), 1u) << said;
		EXPECT_GT(uneven[0]->number("spread"), uneven[0]->number("largestSpread"));
		EXPECT_NEAR(uneven[0]->number("diameter"), 27.0, 1.5);
		EXPECT_NE(said.find("it is not round enough for a ball (its radius varies by "), std::string::npos) << said;
		EXPECT_EQ(said.find("balls are drawn"), std::string::npos) << "its size is no reason: " << said;
		EXPECT_TRUE(eventsOf(*program, "ball").empty());
		EXPECT_NE(program->app->circleSizeWords(), "");
		// Rescanned while it stays: not said again.
		testing::internal::CaptureStderr();
		program->run(40);
		const std::string later = testing::internal::GetCapturedStderr();
		EXPECT_GE(program->scanPasses().size(), 2u);
		EXPECT_EQ(eventsOf(*program, "unevenRing").size(), 1u) << later;
		EXPECT_EQ(later.find("not round enough"), std::string::npos) << later;
		// Redrawn round: a ball, and nothing to say.
		program->run(30);
		EXPECT_EQ(eventsOf(*program, "ball").size(), 1u);
		EXPECT_EQ(program->app->circleSizeWords(), "");
	}
}

/// The option reaches the drawing: the installed program, run on a scene of
/// a 40 mm ring, tells why it is a wall, and with --any-size makes a ball of it.
TEST(RingWords, TheProgramTellsOfA40MmRingAndTakesItWithAnySize)
{
	const std::string scene = scratchPath("ring40.scene");
	std::ofstream(scene) << ringsScene(40.0);
	const std::string trace = scratchPath("ring40.jsonl");
	const std::string command = std::string(DRAWTABLE_PATH) + " --source scene:" + scene
		+ " --headless --passes 18 --record none --mute --trace " + trace;
	const ToolRun plain = runTool(command);
	ASSERT_EQ(plain.status, 0) << plain.err;
	EXPECT_NE(plain.err.find("a black ring 40 mm across was taken for a wall: balls are drawn "), std::string::npos)
		<< plain.err;
	EXPECT_NE(fileText(trace).find("\"wrongSize\", \"ink\": \"black\""), std::string::npos);
	const ToolRun any = runTool(command + " --any-size");
	ASSERT_EQ(any.status, 0) << any.err;
	EXPECT_EQ(any.err.find("ring"), std::string::npos) << any.err;
	EXPECT_EQ(fileText(trace).find("wrongSize"), std::string::npos);
	EXPECT_NE(fileText(trace).find("{\"type\": \"ball\""), std::string::npos);
}

}  // namespace
