#include "scenes/SceneScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace
{

SceneScript parsed(const std::string& text)
{
	SceneScript script;
	std::string error;
	EXPECT_TRUE(parseSceneScript(text, "t.scene", script, error)) << error;
	return script;
}

std::string refusal(const std::string& text)
{
	SceneScript script;
	std::string error;
	EXPECT_FALSE(parseSceneScript(text, "t.scene", script, error)) << text;
	return error;
}

const char* const twoMaps = "map a\n"
							"ring black 200 190 28 4   # a ball\n"
							"stroke yellow 3 160 222 376 325 400 330\n"
							"portal 500 240 15\n"
							"map b\n"
							"disc red 300 200 10\n"
							"at 1 map a\n"
							"at 5 hand 300 400\n"
							"at 9 hand glide 340 200\n"
							"at 20 view 470 12 3 10 5\n"
							"at 20 key z\n"
							"at 20 click normal 10 20\n"
							"at 22 view 480 10 0\n"
							"at 30 hand away\n"
							"at 40 map b\n";

TEST(SceneScript, DrawingsAreReadIntoTheirMaps)
{
	const SceneScript script = parsed(twoMaps);
	ASSERT_EQ(script.maps.size(), 2u);
	const BoardDrawing& a = script.maps[0];
	ASSERT_EQ(a.circles.size(), 1u);
	EXPECT_EQ(a.circles[0].centre, cv::Point2f(200, 190));
	EXPECT_FALSE(a.circles[0].filled);
	ASSERT_EQ(a.strokes.size(), 1u);
	EXPECT_EQ(a.strokes[0].ink, Ink::Yellow);
	EXPECT_EQ(a.strokes[0].points.size(), 3u);
	EXPECT_TRUE(a.hasPortal);
	EXPECT_FLOAT_EQ(a.portal.angle, 15.0f);
	EXPECT_TRUE(script.maps[1].circles[0].filled);
	EXPECT_FALSE(script.maps[1].hasPortal);
}

TEST(SceneScript, TimelineGivesTheStateOfEveryPass)
{
	const SceneScript script = parsed(twoMaps);
	EXPECT_FALSE(script.stateAt(4).hand);
	// The hand glides from where it was placed in pass 5 to its goal in pass 9.
	EXPECT_EQ(script.stateAt(5).palm, cv::Point(300, 400));
	EXPECT_EQ(script.stateAt(7).palm, cv::Point(320, 300));
	EXPECT_EQ(script.stateAt(9).palm, cv::Point(340, 200));
	EXPECT_EQ(script.stateAt(29).palm, cv::Point(340, 200));
	EXPECT_FALSE(script.stateAt(30).hand);
	// The camera is knocked in pass 20 and comes back to where it started.
	EXPECT_EQ(script.stateAt(19).view, 0);
	EXPECT_EQ(script.stateAt(21).view, 1);
	EXPECT_EQ(script.stateAt(22).view, 0);
	EXPECT_EQ(script.views.size(), 2u);
	// The state before the knock and after it are the same frame.
	EXPECT_FALSE(script.stateAt(19) < script.stateAt(22) || script.stateAt(22) < script.stateAt(19));
	EXPECT_EQ(script.stateAt(39).map, 0);
	EXPECT_EQ(script.stateAt(1000).map, 1);
}

TEST(SceneScript, InputsComeInTheirPassInWrittenOrder)
{
	const SceneScript script = parsed(twoMaps);
	EXPECT_TRUE(script.inputsAt(19).empty());
	const std::vector<SceneInput> inputs = script.inputsAt(20);
	ASSERT_EQ(inputs.size(), 2u);
	EXPECT_EQ(inputs[0].kind, SceneInput::Key);
	EXPECT_EQ(inputs[0].key, 'z');
	EXPECT_EQ(inputs[1].kind, SceneInput::Click);
	EXPECT_EQ(inputs[1].window, "normal");
	EXPECT_EQ(inputs[1].from, cv::Point(10, 20));
}

/// Each statement's own rules, and which of its values it refuses; how a
/// value is refused is StatementReader's, tested there once.
TEST(SceneScript, BadLinesAreRefusedWithFileLineAndReason)
{
	const struct
	{
		const char* text;
		const char* message;
	} cases[] = {
		{"map a\nsquare black 1 2\n", "t.scene:2: unknown statement \"square\""},
		{"map a\nring blue 200 190 28 4\n", "t.scene:2: INK \"blue\""},
		{"map a\nring black 200 190 -28 4\n", "t.scene:2: RADIUS \"-28\""},
		{"map a\nring black 200 190 nan 4\n", "t.scene:2: RADIUS \"nan\""},
		{"map a\nring black 200 190 1e999 4\n", "t.scene:2: RADIUS \"1e999\""},
		{"map a\nstroke black 4 1 2\n", "t.scene:2: expected \"stroke INK WIDTH X Y X Y ...\": X is missing"},
		{"map a\nstroke black 4 1 2 3\n", "t.scene:2: expected \"stroke INK WIDTH X Y X Y ...\": Y is missing"},
		{"map a\nstroke black 0 1 2 3 4\n", "t.scene:2: WIDTH \"0\""},
		{"ring black 200 190 28 4\n", "t.scene:1: \"ring\" before the first \"map\""},
		{"map a\nmap a\n", "t.scene:2: a second map named \"a\""},
		{"map a b\n", "t.scene:1: expected \"map NAME\": \"b\" is left over"},
		{"map a\nportal 1 2\nportal 3 4\n", "t.scene:3: a second portal card"},
		{"map a\nportal 1 2 15 4\n", "t.scene:2: expected \"portal X Y [ANGLE]\": \"4\" is left over"},
		{"map a\nat 5 map a\nat 4 key z\n", "t.scene:3: pass 4 comes before pass 5"},
		{"map a\nat 0 key z\n", "t.scene:2: PASS \"0\""},
		{"map a\nat 3 map c\n", "t.scene:2: no map named \"c\""},
		{"map a\nat 3 hand glide 1 2\n", "t.scene:2: the hand glides, but no hand is on the board"},
		{"map a\nat 3 hand 1 2\nat 4 hand away\nat 5 hand glide 1 2\n", "t.scene:4: the hand glides"},
		{"map a\nat 3 hand\n",
			"t.scene:2: expected \"at PASS hand X Y\", \"at PASS hand glide X Y\" or \"at PASS hand away\": X is missing"},
		{"map a\nat 3 hand away now\n", "t.scene:2: expected \"at PASS hand X Y\", \"at PASS hand glide X Y\" or "
										  "\"at PASS hand away\": \"now\" is left over"},
		{"map a\nat 3 key zz\n", "t.scene:2: K \"zz\" must be one character, esc or space"},
		{"map a\nat 3 wave\n", "t.scene:2: the word after PASS \"wave\""},
		{"map a\nat 3 click nromal 1 2\n", "t.scene:2: WINDOW \"nromal\""},
		{"map a\nat 3 click game 1.5 2\n", "t.scene:2: X \"1.5\""},
		{"map a\nat 3 drag game 1 2 3\n", "t.scene:2: expected \"at PASS drag WINDOW X Y X Y\": Y is missing"},
		{"map a\nat 3 view 480 95 0\n", "t.scene:2: TILT \"95\""},
		{"map a\nat 3 key z\nring black 1 2 3 4\n", "t.scene:3: \"ring\" comes before the timeline"},
		{"map a\nat 3 key z\nview 480 10 0\n", "t.scene:3: \"view\" comes before the timeline"},
		{"map a\nat 3 key z\nlight exposure 1\n", "t.scene:3: \"light\" comes before the timeline"},
		{"# nothing drawn\n\n", "t.scene:2: no map"},
		{"view 480 10 0 5\nmap a\n", "t.scene:1: expected \"view DISTANCE TILT TURN [X Y]\": Y is missing"},
		{"light\nmap a\n", "t.scene:1: expected \"light [temperature K] [cast R G B]"},
		{"light glow 2\nmap a\n", "t.scene:1: unknown word \"glow\" in \"light\""},
		{"light cast 1 1\nmap a\n", "t.scene:1: expected \"light [temperature K] [cast R G B] [exposure E] "
									  "[gradient G [ANGLE]] [vignetting V]\": B is missing"},
		{"light temperature 500\nmap a\n", "t.scene:1: K \"500\""},
		{"light exposure 0\nmap a\n", "t.scene:1: E \"0\""},
		{"light gradient 1\nmap a\n", "t.scene:1: G \"1\""},
		{"light gradient 0.2 400\nmap a\n", "t.scene:1: ANGLE \"400\""},
		{"camera jpeg 0\nmap a\n", "t.scene:1: QUALITY \"0\""},
		{"camera noise\nmap a\n", "t.scene:1: expected \"camera [blur SIGMA] [noise SIGMA] [jpeg QUALITY] [grain fresh] "
									 "[size W H] [flicker A] [bands A PERIOD [SPEED]] [mosaic] [sharpen A [RADIUS]] "
									 "[denoise S] [lateral P] [haze H] [metering N] [lowlight G] [seed N]\": SIGMA is missing"},
		{"camera unsharp 2\nmap a\n", "t.scene:1: unknown word \"unsharp\" in \"camera\""},
		{"map a\nring black 200 190 28 4 wobble\n", "t.scene:2: expected \"ring INK X Y RADIUS WIDTH"},
		// A ring wobbles by half its radius at most.
		{"map a\nring black 200 190 28 4 wobble 14.5\n", "t.scene:2: W \"14.5\" must be a number from 0 to 14"},
		{"map a\nring black 200 190 28 4 gap 200\n", "t.scene:2: DEGREES \"200\""},
		{"map a\nring black 200 190 28 4 oval 9\n", "t.scene:2: RATIO \"9\""},
		{"map a\nring black 200 190 28 4 shade 9\n", "t.scene:2: unknown word \"shade\" in \"ring\": use wobble, gap or oval"},
		{"map a\ndisc black 200 190 28 wobble 1\n", "t.scene:2: expected \"disc INK X Y RADIUS\": \"wobble 1\" is left over"},
	};
	for (const auto& c : cases)
	{
		const std::string error = refusal(c.text);
		EXPECT_EQ(error.rfind(c.message, 0), 0u) << "got: " << error;
		EXPECT_EQ(error.find('\n'), std::string::npos);
	}
}

/// A line cut short before the first value of a form of the grammar is
/// refused with that form quoted: every form is a statement the parser reads,
/// as the grammar writes it.
TEST(SceneScript, EveryFormOfTheGrammarIsQuotedWhenALineFallsShortOfIt)
{
	for (const SceneStatementForm& statement : sceneGrammar)
	{
		std::istringstream words(statement.form);
		std::string line;
		for (std::string word; words >> word && (word == "PASS" || std::islower((unsigned char)word[0]));)
		{
			line += (line.empty() ? "" : " ") + (word == "PASS" ? std::string("2") : word);
		}
		const bool timeline = line.rfind("at ", 0) == 0;
		const std::string text = "map a\n" + std::string(timeline ? "at 1 hand 5 5\n" : "") + line + "\n";
		SceneScript script;
		std::string error;
		if (parseSceneScript(text, "t.scene", script, error))
		{
			// A form with no values but the pass, such as "at PASS hand away".
			std::string whole = statement.form;
			EXPECT_EQ(line, whole.replace(whole.find("PASS"), 4, "2"));
			continue;
		}
		EXPECT_EQ(error.rfind(timeline ? "t.scene:3: expected " : "t.scene:2: expected ", 0), 0u) << error;
		EXPECT_NE(error.find("\"" + std::string(statement.form) + "\""), std::string::npos) << error;
	}
}

/// The table of scene statements in docs/scenes.md is the user's copy of the grammar.
TEST(SceneScript, TheSceneDocsListTheFormsOfTheGrammar)
{
	const std::string readme = std::string(DRAWTABLE_SOURCE_DIR) + "/docs/scenes.md";
	std::ifstream file(readme);
	ASSERT_TRUE(file) << readme;
	// The `code` of the first column of the table under "## Scene files".
	std::set<std::string> documented;
	bool sceneFiles = false;
	for (std::string line; std::getline(file, line);)
	{
		if (line.rfind("#", 0) == 0)
		{
			sceneFiles = line == "## Scene files";
		}
		if (!sceneFiles || line.rfind("| `", 0) != 0)
		{
			continue;
		}
		const std::string cell = line.substr(2, line.find(" | ", 2) - 2);
		for (size_t open = cell.find('`'); open != std::string::npos; open = cell.find('`', cell.find('`', open + 1) + 1))
		{
			documented.insert(cell.substr(open + 1, cell.find('`', open + 1) - open - 1));
		}
	}
	std::set<std::string> grammar;
	for (const SceneStatementForm& statement : sceneGrammar)
	{
		grammar.insert(statement.form);
	}
	EXPECT_EQ(documented, grammar);
}

TEST(SceneScript, RoomsLightAndWebcamsAndHandDrawnRingsAreRead)
{
	const SceneScript script = parsed("light temperature 2700 exposure 0.6 gradient 0.2 45 vignetting 0.3\n"
									  "camera blur 1.5 noise 4 jpeg 70\n"
									  "map a\n"
									  "ring yellow 200 190 28 4 wobble 1.5 gap 10 oval 1.1 30\n"
									  "ring black 300 190 28 4 oval 0.9 gap 5\n"
									  "ring black 400 190 28 4\n");
	const Photography& photography = script.photography;
	EXPECT_FLOAT_EQ(float(photography.light.exposure), 0.6f);
	EXPECT_FLOAT_EQ(float(photography.light.gradient), 0.2f);
	EXPECT_FLOAT_EQ(float(photography.light.gradientAngle), 45.0f);
	EXPECT_FLOAT_EQ(float(photography.light.vignetting), 0.3f);
	// Tungsten light: red kept, green less, blue far less.
	const cv::Vec3d cast = photography.light.cast;
	EXPECT_DOUBLE_EQ(cast[2], 1.0);
	EXPECT_LT(cast[1], 0.7);
	EXPECT_LT(cast[0], 0.4);
	EXPECT_FLOAT_EQ(float(photography.blur), 1.5f);
	EXPECT_FLOAT_EQ(float(photography.noise), 4.0f);
	EXPECT_EQ(photography.jpegQuality, 70);
	const std::vector<InkCircle>& rings = script.maps[0].circles;
	EXPECT_FLOAT_EQ(rings[0].wobble, 1.5f);
	EXPECT_FLOAT_EQ(rings[0].gap, 10.0f);
	EXPECT_FLOAT_EQ(rings[0].oval, 1.1f);
	EXPECT_FLOAT_EQ(rings[0].ovalAngle, 30.0f);
	EXPECT_FLOAT_EQ(rings[1].oval, 0.9f);
	EXPECT_FLOAT_EQ(rings[1].gap, 5.0f);
	EXPECT_TRUE(rings[1].isHandDrawn());
	EXPECT_FALSE(rings[2].isHandDrawn());

	// A cast is written red, green, blue; daylight casts nothing.
	const SceneScript warm = parsed("light cast 1.06 1 0.92\nmap a\n");
	EXPECT_EQ(warm.photography.light.cast, cv::Vec3d(0.92f, 1.0f, 1.06f));
	EXPECT_TRUE(parsed("map a\n").photography.light.isEven());
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(colourTemperatureCast(6500.0)[c], 1.0, 1e-9);
	}
	EXPECT_GT(colourTemperatureCast(9000.0)[0], colourTemperatureCast(9000.0)[2]);
}

TEST(SceneScript, AHandDrawnRingWobblesWithinItsBoundsAndLeavesItsGapOpen)
{
	InkCircle ring{{200.0f, 200.0f}, 28.0f, Ink::Black, false, 4.0f};
	ring.wobble = 2.0f;
	ring.gap = 30.0f;
	ring.oval = 1.2f;
	const std::vector<cv::Point2f> path = handDrawnRingPath(ring);
	ASSERT_GT(path.size(), 40u);
	const double rx = 28.0 * std::sqrt(1.2), ry = 28.0 / std::sqrt(1.2);
	for (const cv::Point2f& p : path)
	{
		const double r = std::hypot((p.x - 200.0) / rx, (p.y - 200.0) / ry);
		EXPECT_NEAR(r, 1.0, 2.0 / ry + 1e-6);
	}
	// The ends are 30 degrees apart round the ring; the same ring wobbles alike.
	EXPECT_NEAR(cv::norm(path.front() - path.back()), 2.0 * 28.0 * std::sin(15.0 * CV_PI / 180.0), 4.0);
	EXPECT_EQ(handDrawnRingPath(ring), path);
}

TEST(SceneScript, MissingFileIsNamed)
{
	SceneScript script;
	std::string error;
	EXPECT_FALSE(readSceneScript("no/such.scene", script, error));
	EXPECT_EQ(error, "no/such.scene: cannot read the scene file");
}

TEST(SceneScript, ShippedDemoSceneReads)
{
	SceneScript script;
	std::string error;
	ASSERT_TRUE(readSceneScript("Data/scenes/demo.scene", script, error)) << error;
	EXPECT_GE(script.maps.size(), 2u);
	// The template script takes one black and one yellow ring from the first map.
	int black = 0, yellow = 0;
	for (const InkCircle& circle : script.maps[0].circles)
	{
		EXPECT_FLOAT_EQ(circle.radius, 28.0f);
		(circle.ink == Ink::Black ? black : yellow) += 1;
	}
	EXPECT_GE(black, 2);
	EXPECT_GE(yellow, 1);
}

}  // namespace
