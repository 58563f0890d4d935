#include "DrawnBoardSurvey.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

// The table at home: the room matrix's hand-drawn board under what a home adds
// to a room's light (shadows of an arm and a head, a warm lamp beside daylight,
// a lamp close enough to clip, glare beside a ring), with what a webcam adds
// over time (flicker, rolling bands, exposure and white balance drifting, HD
// frames), the hands of the darkest skin tones, and the pens of a pencil case.
// Each condition is compared with its twin: the same board and webcam under
// even light, drawn with the usual pens. Under every condition the game must
// find what the twin finds, make nothing from light or skin, and hold the scan
// back while a hand is over the board. Each condition is a test of its own; a
// run of the whole matrix in one process (--gtest_filter='Home/HomeMatrix.*')
// prints the table of what was found, as docs/seeing.md shows it.

namespace
{

struct Condition
{
	/// The test's name for it, and the table's.
	const char* id;
	const char* name;
	/// Scene statements added to the twin's, before the drawing.
	const char* setting = "";
	/// Words added to the twin's camera statement.
	const char* camera = "";
	/// Timeline statements added after the drawing.
	const char* timeline = "";
	/// The hand of the hand run, and where it lies.
	const char* hand = "at 1 hand 330 270";
	/// The view, where it is not the twin's.
	const char* view = "view 480 10 0";
	DrawingPens pens = DrawingPens();
};

void PrintTo(const Condition& condition, std::ostream* out)
{
	*out << condition.name;
}

DrawingPens pens(const char* black, float blackWidth, const char* highlighter)
{
	DrawingPens chosen;
	chosen.black = black;
	chosen.blackWidth = blackWidth;
	chosen.highlighter = highlighter;
	return chosen;
}

const char* const evenLight = "light temperature 5500 exposure 0.94";
const char* const webcam = "camera noise 3 jpeg 80 grain fresh";
const char* const hdView = "view 700 0 0 0 -60";

// Board pixels are about half a millimetre: the arm's shadow is 5 cm wide and
// runs through the yellow ring, the head's lies on it, the lamp's edge runs
// between the rings, and the glare lies a centimetre from a ring.
const Condition conditions[] = {
	{"ArmShadow", "an arm's shadow, 45 % darker, soft edge 15",
		"shadow band 100 320 400 200 100 darkness 0.45 soft 15"},
	{"DeepArmShadow", "an arm's shadow, 60 % darker", "shadow band 100 320 400 200 100 darkness 0.6 soft 15"},
	{"HeadShadow", "a head's shadow over the yellow ring, 30 % darker", "shadow disc 190 285 60 darkness 0.3 soft 30"},
	{"ThirdInShadow", "a third of the board in a soft shadow, 40 % darker",
		"shadow polygon 100 60 250 60 250 420 100 420 darkness 0.4 soft 40"},
	{"WarmLampSharp", "a warm lamp beside daylight, edge 15",
		"patch half 240 240 0 temperature 2700 exposure 1 edge 15"},
	{"WarmLampSoft", "a warm lamp beside daylight, edge 40",
		"patch half 240 240 0 temperature 2700 exposure 1 edge 40"},
	{"LampClipsRed", "a desk lamp close enough to clip red", "lamp 330 235 height 120 strength 0.6"},
	{"GlareBesideYellow", "glare a centimetre from the yellow ring", "glare 190 236 6 halo 14 0.6"},
	{"GlareBesideBlack", "glare between the black rings", "glare 238 160 6 halo 14 0.6"},
	{"Flicker", "LED flicker, +-10 %", "", "flicker 0.1"},
	{"RollingBands", "rolling bands, +-10 %, three to a frame", "", "bands 0.1 150"},
	{"ExposureDrift", "exposure drifting 10 % over the still period", "", "", "at 1 exposure 1.1 over 30"},
	{"BalanceDrift", "white balance drifting warm", "", "", "at 1 balance 1.08 1 0.92 over 30"},
	{"Webcam720", "1280 x 720 webcam", "", "size 1280 720", "", "at 1 hand 330 270", hdView},
	{"Webcam1080", "1920 x 1080 webcam", "", "size 1920 1080", "", "at 1 hand 330 270", hdView},
	{"DarkestHand", "hand of skin tone 10 with its shadow", "hand skin 10 shadow 0.3"},
	// The fingers alone come in across the board's bottom edge, their tips
	// at the bottom of the drawing; the rest of the hand is off the board.
	{"DarkFingertips", "fingertips of skin tone 9 at the bottom edge", "hand skin 9 shape fingers", "", "",
		"at 1 hand 330 520"},
	{"Lemon", "lemon highlighter", "", "", "", "at 1 hand 330 270", "view 480 10 0", pens("black", 4, "lemon")},
	{"Neon", "neon yellow-green highlighter", "", "", "", "at 1 hand 330 270", "view 480 10 0",
		pens("black", 4, "neon")},
	{"PaleYellow", "pale yellow highlighter", "", "", "", "at 1 hand 330 270", "view 480 10 0",
		pens("black", 4, "pale-yellow")},
	{"PaleGreen", "pale green-yellow highlighter", "", "", "", "at 1 hand 330 270", "view 480 10 0",
		pens("black", 4, "pale-green")},
	{"Fineliner", "0.6 mm fineliner", "", "", "", "at 1 hand 330 270", "view 480 10 0", pens("black", 1.2f, "yellow")},
	{"HalfDryMarker", "half-dry marker, 1.2 mm", "", "", "", "at 1 hand 330 270", "view 480 10 0",
		pens("half-dry", 2.4f, "yellow")},
};

std::string setting(const Condition& condition, bool twin)
{
	std::string text = std::string(twin ? "view 480 10 0" : condition.view) + "\n" + evenLight + "\n" + webcam;
	if (!twin)
	{
		text += std::string(" ") + condition.camera + "\n" + condition.setting;
	}
	return text;
}

/// The twins are shared between conditions: each is surveyed once.
const Seen& twinOf(const Condition& condition)
{
	static std::map<std::string, Seen> surveyed;
	const std::string text = drawnBoardScene(setting(condition, true), Board::Drawn);
	auto found = surveyed.find(text);
	if (found == surveyed.end())
	{
		found = surveyed.emplace(text, survey(text, Board::Drawn)).first;
	}
	return found->second;
}

Seen look(const Condition& condition, Board board)
{
	const std::string timeline = std::string(condition.timeline) + "\n" + condition.hand;
	return survey(drawnBoardScene(setting(condition, false), board, condition.pens, timeline), board);
}

constexpr char tableHead[] = "| condition | balls | sensors | walls | made from nothing | hand seen, none there "
							  "| hand seen, one there |\n|---|---|---|---|---|---|---|\n";

std::string row(const Condition& condition, const Seen& drawn, const Seen& empty, const Seen& hand)
{
	const int strays = drawn.strayBodies + drawn.strayWalls + empty.strayBodies + empty.strayWalls;
	char text[320];
	std::snprintf(text, sizeof text, "| %s | %d of %d | %d of %d | %d of %d | %s | %s | %s |\n", condition.name,
		count(drawn.balls), drawnBalls, count(drawn.sensors), drawnSensors, count(drawn.strokes), drawnStrokes,
		strays == 0 ? "none" : std::to_string(strays).c_str(), drawn.hand || empty.hand ? "yes" : "no",
		hand.hand ? "yes" : "no");
	return text;
}

using HomeMatrix = SurveyTable<Condition, tableHead>;

TEST_P(HomeMatrix, FindsWhatItsTwinUnderEvenLightFindsAndNothingElse)
{
	const Condition& condition = GetParam();
	const Seen& twin = twinOf(condition);
	const Seen drawn = look(condition, Board::Drawn);
	const Seen empty = look(condition, Board::Empty);
	const Seen hand = look(condition, Board::DrawnWithHand);
	rows() += row(condition, drawn, empty, hand);
	EXPECT_EQ(shortOfEvenLight(twin, drawn, empty, hand), "");
}

INSTANTIATE_TEST_SUITE_P(Home, HomeMatrix, testing::ValuesIn(conditions),
	[](const testing::TestParamInfo<Condition>& info) { return std::string(info.param.id); });

}  // namespace
