#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// One hand-drawn board, photographed by the synthetic camera in a scene of the
// caller's choosing, and what the first rescan of it made: which of its rings
// became balls and sensors, which of its strokes walls, and what was made from
// nothing. The room and home matrices compare such surveys of one board under
// different light with its survey under even light.

/// The pens the drawing is drawn with: ink names and widths in board pixels,
/// as the scene statements read them.
struct DrawingPens
{
	std::string black = "black";
	float blackWidth = 4.0f;
	std::string highlighter = "yellow";
	float highlighterWidth = 4.0f;
};

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

/// The scene: `setting` (the camera's place, the light, the webcam, anything
/// else before the map), then the board drawn with `pens`, empty, or drawn
/// with `hand` (a timeline line such as "at 1 hand 330 270") over it.
std::string drawnBoardScene(const std::string& setting, Board board, const DrawingPens& pens = DrawingPens(),
	const std::string& hand = "at 1 hand 330 270");

/// The program after playing `sceneText` for `passes` passes, its console
/// output left out.
std::unique_ptr<TestProgram> playedScene(const std::string& sceneText, int passes);

/// Plays the scene for `passes` passes (16: until its first rescan) and
/// surveys what its last rescan made.
Seen survey(const std::string& sceneText, Board board, int passes = 16);

int count(const std::vector<bool>& found);

/// Every element found under even light is found here too.
bool atLeast(const std::vector<bool>& here, const std::vector<bool>& even);

/// How many rings and strokes the drawing has: 2 black rings, 1 yellow, 3 strokes.
constexpr int drawnBalls = 2;
constexpr int drawnSensors = 1;
constexpr int drawnStrokes = 3;

/// What one condition's surveys fall short of the same board's under even
/// light, said in words ("" for nothing): the drawing found whole there, and
/// here at least as much, nothing made from nothing, no hand where there is
/// none, and the hand where there is one, with no wall or body made from it.
std::string shortOfEvenLight(const Seen& even, const Seen& drawn, const Seen& empty, const Seen& hand);

/// A matrix of conditions whose rows of a table of what each found are
/// gathered while its tests run and printed under `head` when the last has
/// run: a run of the whole matrix prints the whole table once.
template <typename Condition, const char* head>
class SurveyTable : public testing::TestWithParam<Condition>
{
public:
	static void SetUpTestSuite() { rows().clear(); }
	static void TearDownTestSuite() { std::printf("%s%s", head, rows().c_str()); }

protected:
	static std::string& rows()
	{
		static std::string text;
		return text;
	}
};
