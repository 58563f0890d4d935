#include "scenes/SceneScript.h"

#include <gtest/gtest.h>

// The statements of what a home adds to a scene: shadows, patches of other
// light, lamps, glare, the hand's look, pens, the webcam over time and an
// honest projector. How a value is refused is StatementReader's, tested there;
// here, what each statement makes of its words and which it refuses.

namespace
{

SceneScript parsed(const std::string& text)
{
	SceneScript script;
	std::string error;
	EXPECT_TRUE(parseSceneScript(text, "t.scene", script, error)) << error;
	return script;
}

TEST(HomeSceneStatements, LightAcrossTheBoardIsReadWithItsDefaults)
{
	const SceneScript script = parsed("shadow band 100 400 300 200 90 darkness 0.45 soft 30\n"
									  "shadow disc 420 170 60\n"
									  "shadow polygon 0 0 100 0 100 50 0 50 soft 0\n"
									  "patch half 430 240 0 temperature 2700 edge 30\n"
									  "patch polygon 10 10 60 10 60 60 exposure 1.3\n"
									  "lamp 520 380\n"
									  "lamp 100 100 height 60 strength 2.5 cast 1 0.9 0.5\n"
									  "glare 300 170 8 halo 20 0.8\n"
									  "glare 200 170 5\n"
									  "map a\n");
	const LocalLight& local = script.photography.local;
	ASSERT_EQ(local.shadows.size(), 3u);
	const Shadow& arm = local.shadows[0];
	EXPECT_EQ(arm.shape.kind, BoardShape::Band);
	EXPECT_EQ(arm.shape.points, (std::vector<cv::Point2d>{{100, 400}, {300, 200}}));
	EXPECT_DOUBLE_EQ(arm.shape.size, 90.0);
	EXPECT_DOUBLE_EQ(arm.darkness, 0.45);
	EXPECT_DOUBLE_EQ(arm.soft, 30.0);
	EXPECT_EQ(local.shadows[1].shape.kind, BoardShape::Disc);
	EXPECT_DOUBLE_EQ(local.shadows[1].darkness, 0.4);
	EXPECT_DOUBLE_EQ(local.shadows[1].soft, 20.0);
	EXPECT_EQ(local.shadows[2].shape.points.size(), 4u);
	EXPECT_DOUBLE_EQ(local.shadows[2].soft, 0.0);

	ASSERT_EQ(local.patches.size(), 2u);
	EXPECT_EQ(local.patches[0].shape.kind, BoardShape::Half);
	EXPECT_DOUBLE_EQ(local.patches[0].shape.angle, 0.0);
	ASSERT_TRUE(local.patches[0].cast.has_value());
	EXPECT_EQ(*local.patches[0].cast, colourTemperatureCast(2700.0f));
	EXPECT_FALSE(local.patches[0].exposure.has_value());
	EXPECT_DOUBLE_EQ(local.patches[0].edge, 30.0);
	EXPECT_FALSE(local.patches[1].cast.has_value());
	EXPECT_FLOAT_EQ(float(*local.patches[1].exposure), 1.3f);
	EXPECT_DOUBLE_EQ(local.patches[1].edge, 25.0);

	ASSERT_EQ(local.lamps.size(), 2u);
	EXPECT_DOUBLE_EQ(local.lamps[0].height, 120.0);
	EXPECT_DOUBLE_EQ(local.lamps[0].strength, 1.0);
	EXPECT_EQ(local.lamps[0].cast, colourTemperatureCast(2700.0));
	EXPECT_DOUBLE_EQ(local.lamps[1].strength, 2.5);
	EXPECT_EQ(local.lamps[1].cast, cv::Vec3d(0.5f, 0.9f, 1.0f));

	ASSERT_EQ(local.glares.size(), 2u);
	EXPECT_EQ(local.glares[0].at, cv::Point2d(300, 170));
	EXPECT_DOUBLE_EQ(local.glares[0].halo, 20.0);
	EXPECT_DOUBLE_EQ(local.glares[0].strength, 0.8);
	EXPECT_DOUBLE_EQ(local.glares[1].halo, 12.0);
	EXPECT_DOUBLE_EQ(local.glares[1].strength, 0.6);
}

TEST(HomeSceneStatements, TheHandsLookThePensAndTheWebcamAreRead)
{
	const SceneScript script = parsed("hand skin 9 shape child from left shadow 0.3 soft 12 towards 180 20\n"
									  "camera grain fresh size 1280 720 flicker 0.07 bands 0.1 90 5\n"
									  "projector 700 0 0 honest jitter 0.2\n"
									  "map a\n"
									  "ring lemon 200 200 28 4\n"
									  "ring #3A312a 300 200 28 4\n"
									  "ring #fafa96 400 200 28 4\n"
									  "stroke half-dry 1.2 100 100 200 200\n"
									  "disc neon 100 300 10\n");
	const HandLook& hand = script.hand;
	EXPECT_EQ(hand.skin, cv::Scalar(42, 49, 58));
	EXPECT_EQ(hand.shape, HandShape::Child);
	EXPECT_DOUBLE_EQ(hand.from, 180.0);
	EXPECT_DOUBLE_EQ(hand.shadow, 0.3);
	EXPECT_DOUBLE_EQ(hand.shadowSoft, 12.0);
	// Towards 180 degrees is towards the board's left; y runs down.
	EXPECT_NEAR(hand.shadowOffset.x, -20.0f, 1e-4f);
	EXPECT_NEAR(hand.shadowOffset.y, 0.0f, 1e-4f);
	EXPECT_NEAR(parsed("hand shadow 0.3 towards 90 10\nmap a\n").hand.shadowOffset.y, -10.0f, 1e-4f);
	EXPECT_TRUE(hand.shaded);
	EXPECT_EQ(parsed("hand skin #F6EDE4 from 30\nmap a\n").hand.skin, cv::Scalar(228, 237, 246));
	EXPECT_DOUBLE_EQ(parsed("hand skin 1 from 30\nmap a\n").hand.from, 30.0);
	// Without the statement, the old flat hand.
	EXPECT_FALSE(parsed("map a\n").hand.shaded);

	const Photography& webcam = script.photography;
	EXPECT_TRUE(webcam.freshGrain);
	EXPECT_EQ(webcam.frameSize, cv::Size(1280, 720));
	EXPECT_FLOAT_EQ(float(webcam.flicker), 0.07f);
	EXPECT_FLOAT_EQ(float(webcam.bands.amplitude), 0.1f);
	EXPECT_DOUBLE_EQ(webcam.bands.period, 90.0);
	EXPECT_DOUBLE_EQ(webcam.bands.speed, 5.0);
	EXPECT_TRUE(script.projector.honest);
	EXPECT_DOUBLE_EQ(script.projector.jitter, 0.2);

	const BoardDrawing& drawing = script.maps[0];
	EXPECT_EQ(drawing.circles[0].ink, Ink::Yellow);
	EXPECT_EQ(drawing.circles[0].colour, cv::Scalar(74, 241, 247));
	// A colour darker than mid grey is black ink, a light one a highlighter.
	EXPECT_EQ(drawing.circles[1].ink, Ink::Black);
	EXPECT_EQ(drawing.circles[1].colour, cv::Scalar(42, 49, 58));
	EXPECT_EQ(drawing.circles[2].ink, Ink::Yellow);
	EXPECT_EQ(drawing.strokes[0].ink, Ink::Black);
	EXPECT_EQ(inkColour(drawing.strokes[0].ink, drawing.strokes[0].colour), cv::Scalar(96, 100, 104));
	EXPECT_FLOAT_EQ(drawing.strokes[0].width, 1.2f);
	EXPECT_TRUE(drawing.circles[3].filled);
	// The old inks keep their colours, in a file and in code.
	const BoardDrawing old = parsed("map a\nring yellow 1 2 28 4\nring black 1 2 28 4\n").maps[0];
	EXPECT_EQ(inkColour(old.circles[0].ink, old.circles[0].colour), inkColour(Ink::Yellow));
	EXPECT_EQ(inkColour(old.circles[1].ink, old.circles[1].colour), inkColour(Ink::Black));
	EXPECT_EQ(inkColour(Ink::Black, usualInkColour), inkColour(Ink::Black));
}

TEST(HomeSceneStatements, TheCamerasExposureAndBalanceChangeEvenlyFromWhereTheyAre)
{
	const SceneScript script = parsed("map a\n"
									  "at 10 exposure 1.2 over 20\n"
									  "at 20 balance 1.1 1 0.8\n"
									  "at 20 exposure 0.8 over 10\n"
									  "at 40 balance 1 1 1 over 4\n");
	EXPECT_DOUBLE_EQ(script.cameraAt(1).exposure, 1.0);
	EXPECT_DOUBLE_EQ(script.cameraAt(10).exposure, 1.0);
	EXPECT_DOUBLE_EQ(script.cameraAt(15).exposure, 1.05);
	// The second change starts from where the first had got to: 1.1 in pass 20.
	EXPECT_NEAR(script.cameraAt(20).exposure, 1.1, 1e-12);
	EXPECT_NEAR(script.cameraAt(25).exposure, 0.95, 1e-12);
	EXPECT_DOUBLE_EQ(script.cameraAt(30).exposure, 0.8);
	EXPECT_DOUBLE_EQ(script.cameraAt(1000).exposure, 0.8);
	// A balance is written red, green, blue and kept blue, green, red; a step
	// without "over".
	EXPECT_EQ(script.cameraAt(19).balance, cv::Vec3d(1, 1, 1));
	EXPECT_EQ(script.cameraAt(20).balance, cv::Vec3d(0.8f, 1.0, 1.1f));
	EXPECT_NEAR(script.cameraAt(42).balance[0], (0.8f + 1.0) / 2.0, 1e-9);
	EXPECT_EQ(script.cameraAt(44).balance, cv::Vec3d(1, 1, 1));
	// The camera's settings are no part of what the scene shows.
	EXPECT_FALSE(script.stateAt(19) < script.stateAt(30) || script.stateAt(30) < script.stateAt(19));
}

/// The old order for every scene that asks for nothing of linear light.
TEST(HomeSceneStatements, OnlyWhatChangesAcrossTheBoardOrFromFrameToFrameTakesFramesInLinearLight)
{
	const char* const old[] = {"light temperature 2700 gradient 0.2 vignetting 0.3\ncamera noise 3 jpeg 70 blur 1",
		"camera size 1920 1080", "hand skin 10 shape fingers shadow 0.3", "projector 700 0 0 jitter 0.3",
		"camera grain fresh\ncamera noise 2"};
	for (const char* extra : old)
	{
		const SceneScript script = parsed(std::string(extra) + "\nmap a\nring lemon 200 200 28 1.2\n");
		EXPECT_EQ(script.inLinearLight(), std::string(extra).find("fresh") != std::string::npos) << extra;
	}
	const char* const linear[] = {"shadow disc 1 2 3", "patch half 1 2 3 exposure 2", "lamp 1 2", "glare 1 2 3",
		"camera flicker 0.05", "camera bands 0.1 50", "projector 700 0 0 honest"};
	for (const char* extra : linear)
	{
		EXPECT_TRUE(parsed(std::string(extra) + "\nmap a\n").inLinearLight()) << extra;
	}
	EXPECT_TRUE(parsed("map a\nat 5 exposure 1.1\n").inLinearLight());
	EXPECT_TRUE(parsed("map a\nat 5 balance 1 1 1.1\n").inLinearLight());
}

TEST(HomeSceneStatements, BadLinesAreRefusedWithTheFormAndTheValueAtFault)
{
	const struct
	{
		const char* text;
		const char* message;
	} cases[] = {
		{"shadow\n", "t.scene:1: expected \"shadow band X1 Y1 X2 Y2 WIDTH [darkness D] [soft S]\", \"shadow disc X Y "
					 "RADIUS [darkness D] [soft S]\" or \"shadow polygon X Y X Y X Y ... [darkness D] [soft S]\": the "
					 "word after shadow is missing"},
		{"shadow cloud 1 2\n", "t.scene:1: the word after shadow \"cloud\" must be band, disc or polygon"},
		{"shadow band 1 2 3 4\n", "t.scene:1: expected \"shadow band X1 Y1 X2 Y2 WIDTH [darkness D] [soft S]\": WIDTH is missing"},
		{"shadow band 1 2 3\n", "t.scene:1: expected \"shadow band X1 Y1 X2 Y2 WIDTH [darkness D] [soft S]\": Y2 is missing"},
		{"shadow disc 1 2 30 darkness 1.5\n", "t.scene:1: D \"1.5\" must be a number from 0 to 1"},
		{"shadow disc 1 2 30 dark 0.5\n", "t.scene:1: unknown word \"dark\" in \"shadow\": use darkness or soft"},
		{"shadow polygon 1 2 3 4 darkness 0.5\n", "t.scene:1: X \"darkness\" must be a number"},
		{"shadow polygon 1 2 3 4 5\n", "t.scene:1: expected \"shadow polygon X Y X Y X Y ... [darkness D] [soft S]\": Y is missing"},
		{"patch half 1 2 3\n", "t.scene:1: expected \"patch half X Y ANGLE [temperature K] [cast R G B] [exposure E] "
							   "[edge W]\": one of temperature, cast, exposure or edge is missing"},
		{"patch half 1 2 3 edge 20\n", "t.scene:1: a patch without a light of its own"},
		{"patch disc 1 2 3\n", "t.scene:1: the word after patch \"disc\" must be half or polygon"},
		{"patch half 1 2 400 exposure 1\n", "t.scene:1: ANGLE \"400\""},
		{"lamp 1\n", "t.scene:1: expected \"lamp X Y [height H] [strength S] [temperature K] [cast R G B]\": Y is missing"},
		{"lamp 1 2 strength -1\n", "t.scene:1: S \"-1\" must be a number from 0 to 20"},
		{"glare 1 2 0\n", "t.scene:1: RADIUS \"0\" must be a number from 0.5 to 5000"},
		{"glare 1 2 5 halo\n", "t.scene:1: expected \"glare X Y RADIUS [halo H [STRENGTH]]\": H is missing"},
		{"hand\n", "t.scene:1: expected \"hand [skin TONE] [shape SHAPE] [from SIDE] [shadow D] [soft S] [towards ANGLE "
				   "DISTANCE]\": one of skin, shape, from, shadow, soft or towards is missing"},
		{"hand skin 2 soft 10\n", "t.scene:1: \"soft\" and \"towards\" describe the hand's shadow: give its darkness"},
		{"hand shadow 0.3 soft 0\n", "t.scene:1: S \"0\" must be a number from 1 to 100"},
		{"hand shadow 0.3 towards 90\n", "t.scene:1: expected \"hand [skin TONE]"},
		{"hand skin 11\n", "t.scene:1: TONE \"11\" must be a whole number from 1 to 10"},
		{"hand skin #3a312\n", "t.scene:1: TONE \"#3a312\" must be a whole number from 1 to 10 or a colour #RRGGBB"},
		{"hand skin #3a312g\n", "t.scene:1: TONE \"#3a312g\""},
		{"hand shape foot\n", "t.scene:1: SHAPE \"foot\" must be whole, fingers or child"},
		{"hand from below\n", "t.scene:1: SIDE \"below\" must be bottom, top, left, right or an angle from -360 to 360"},
		{"hand from 400\n", "t.scene:1: SIDE \"400\" must be a number from -360 to 360"},
		{"hand skin 3\nhand shape child\n", "t.scene:2: a second \"hand\""},
		{"map a\nat 1 hand 1 2\nhand skin 3\n", "t.scene:3: \"hand\" comes before the timeline"},
		{"camera grain stale\n", "t.scene:1: the word after grain \"stale\" must be fresh"},
		{"camera size 100 100\n", "t.scene:1: W \"100\" must be a whole number from 160 to 3840"},
		{"camera size 1920\n", "t.scene:1: expected \"camera [blur SIGMA] [noise SIGMA] [jpeg QUALITY] [grain fresh] [size W "
							   "H] [flicker A] [bands A PERIOD [SPEED]] [mosaic] [sharpen A [RADIUS]] [denoise S] [lateral "
							   "P] [haze H] [metering N] [lowlight G] [seed N]\": H is missing"},
		{"camera denoise 1\n", "t.scene:1: S \"1\" must be a number from 0 to 0.95"},
		{"camera metering 0\n", "t.scene:1: N \"0\" must be a whole number from 1 to 1000"},
		{"camera lowlight 0.5\n", "t.scene:1: G \"0.5\" must be a number from 1 to 16"},
		{"camera mosaic bayer\n", "t.scene:1: unknown word \"bayer\" in \"camera\""},
		{"camera flicker 0.7\n", "t.scene:1: A \"0.7\" must be a number from 0 to 0.5"},
		{"camera bands 0.1\n", "t.scene:1: expected \"camera [blur SIGMA]"},
		{"camera bands 0.1 1\n", "t.scene:1: PERIOD \"1\" must be a number from 2 to 10000"},
		{"projector 700 0 0 jitter 2\n", "t.scene:1: P \"2\" must be a number from 0 to 1"},
		{"projector 700 0 0 honest 1\n", "t.scene:1: unknown word \"1\" in \"projector\""},
		{"map a\nring pink 1 2 28 4\n", "t.scene:2: INK \"pink\" must be black, half-dry, yellow, warm-yellow, lemon, neon, "
										"pale-yellow, pale-green, red, or a colour #RRGGBB"},
		{"map a\nstroke #12345 2 1 2 3 4\n", "t.scene:2: INK \"#12345\""},
		{"map a\nat 5 exposure 0\n", "t.scene:2: E \"0\" must be a number from 0.05 to 20"},
		{"map a\nat 5 exposure 1.1 over\n", "t.scene:2: expected \"at PASS exposure E [over N]\": N is missing"},
		{"map a\nat 5 exposure 1.1 over 0\n", "t.scene:2: N \"0\" must be a whole number from 1 to 9999999"},
		{"map a\nat 5 exposure 1.1 during 3\n", "t.scene:2: expected \"at PASS exposure E [over N]\": \"during 3\" is left over"},
		{"map a\nat 5 balance 1 1\n", "t.scene:2: expected \"at PASS balance R G B [over N]\": B is missing"},
	};
	for (const auto& c : cases)
	{
		SceneScript script;
		std::string error;
		EXPECT_FALSE(parseSceneScript(std::string(c.text) + "map z\n", "t.scene", script, error)) << c.text;
		EXPECT_EQ(error.rfind(c.message, 0), 0u) << "got: " << error;
	}
}

}  // namespace
