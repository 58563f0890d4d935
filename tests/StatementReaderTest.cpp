#include "scenes/StatementReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace
{

StatementReader lineSeven(const std::string& line)
{
	std::istringstream split(line);
	std::vector<std::string> words;
	for (std::string word; split >> word;)
	{
		words.push_back(word);
	}
	return StatementReader(words, "f.scene", 7);
}

bool readRadius(StatementReader& in)
{
	float radius;
	return in.number("RADIUS", 1.0f, 10.0f, radius);
}

bool readLatency(StatementReader& in)
{
	int latency;
	return in.whole("N", 0, 30, latency);
}

bool readWobble(StatementReader& in)
{
	float wobble;
	return in.options({{"wobble", [&] { return in.number("W", 0.0f, 2.0f, wobble); }}, {"gap", [] { return true; }},
		{"oval", [] { return true; }}});
}

/// Every way a reading fails, told in the same words whichever statement reads.
TEST(StatementReader, EveryFaultIsToldOneWayWithFileAndLine)
{
	const struct
	{
		const char* line;
		std::function<bool(StatementReader&)> read;
		const char* error;
	} cases[] = {
		{"disc black",
			[](StatementReader& in) {
				std::string ink, x;
				return in.word("INK", ink) && in.word("X", x);
			},
			"f.scene:7: expected \"disc INK X Y RADIUS\": X is missing"},
		{"disc 1 2", [](StatementReader& in) { return in.end(); },
			"f.scene:7: expected \"disc INK X Y RADIUS\": \"1 2\" is left over"},
		// Forms that begin alike are all quoted.
		{"at 3 hand",
			[](StatementReader& in) {
				int pass;
				std::string what, x;
				in.whole("PASS", 1, 9, pass) && in.word("WHAT", what);
				in.expect("at PASS " + in.previous());
				return in.word("X", x);
			},
			"f.scene:7: expected \"at PASS hand X Y\", \"at PASS hand glide X Y\" or \"at PASS hand away\": X is missing"},
		{"ring 11", readRadius, "f.scene:7: RADIUS \"11\" must be a number from 1 to 10"},
		{"ring 0.99", readRadius, "f.scene:7: RADIUS \"0.99\" must be a number from 1 to 10"},
		{"ring nan", readRadius, "f.scene:7: RADIUS \"nan\" must be a number from 1 to 10"},
		{"ring -inf", readRadius, "f.scene:7: RADIUS \"-inf\" must be a number from 1 to 10"},
		{"ring 1e999", readRadius, "f.scene:7: RADIUS \"1e999\" must be a number from 1 to 10"},
		{"ring 5mm", readRadius, "f.scene:7: RADIUS \"5mm\" must be a number from 1 to 10"},
		{"ring 2.5",
			[](StatementReader& in) {
				double wide;
				return in.number("WIDTH", 0.05, 2.0, wide);
			},
			"f.scene:7: WIDTH \"2.5\" must be a number from 0.05 to 2"},
		{"projector 2.5", readLatency, "f.scene:7: N \"2.5\" must be a whole number from 0 to 30"},
		{"projector 31", readLatency, "f.scene:7: N \"31\" must be a whole number from 0 to 30"},
		{"ring blue",
			[](StatementReader& in) {
				int ink;
				return in.choice("INK", {{"black", 0}, {"yellow", 1}, {"red", 2}}, ink);
			},
			"f.scene:7: INK \"blue\" must be black, yellow or red"},
		{"at gmae",
			[](StatementReader& in) {
				std::string window;
				return in.choice("WINDOW", {"game", "normal"}, window);
			},
			"f.scene:7: WINDOW \"gmae\" must be game or normal"},
		{"ring wobble 1 glow 2", readWobble, "f.scene:7: unknown word \"glow\" in \"ring\": use wobble, gap or oval"},
		{"ring wobble 3", readWobble, "f.scene:7: W \"3\" must be a number from 0 to 2"},
		{"ring wobble",
			readWobble,
			"f.scene:7: expected \"ring INK X Y RADIUS WIDTH [wobble W] [gap DEGREES] [oval RATIO [ANGLE]]\": W is missing"},
		{"camera",
			[](StatementReader& in) {
				return in.options({{"blur", [] { return true; }}, {"noise", [] { return true; }}}, 1);
			},
			"f.scene:7: expected \"camera [blur SIGMA] [noise SIGMA] [jpeg QUALITY] [grain fresh] [size W H] "
			"[flicker A] [bands A PERIOD [SPEED]] [mosaic] [sharpen A [RADIUS]] [denoise S] [lateral P] [haze H] "
			"[metering N] [lowlight G] [seed N]\": one of blur or noise is missing"},
		// The first fault is the one told; nothing is read after it.
		{"ring 20 5",
			[](StatementReader& in) {
				float radius = 0.0f;
				const bool read = readRadius(in) || in.number("RADIUS", 1.0f, 10.0f, radius) || in.end();
				in.fail("a later fault");
				return read || radius != 0.0f;
			},
			"f.scene:7: RADIUS \"20\" must be a number from 1 to 10"},
	};
	for (const auto& c : cases)
	{
		StatementReader in = lineSeven(c.line);
		EXPECT_FALSE(c.read(in)) << c.line;
		EXPECT_EQ(in.error(), c.error) << c.line;
	}
}

TEST(StatementReader, ReadsValuesWithinTheirBoundsBothIncludedAndOptionsInAnyOrder)
{
	StatementReader in = lineSeven("ring 1 10 0x10 0.95000001 0.95000001 3 oval 2 gap wobble 1.5 30 end");
	float low, high, hex, single;
	double twice;
	int whole;
	ASSERT_TRUE(in.number("A", 1.0f, 10.0f, low) && in.number("B", 1.0f, 10.0f, high) && in.number("C", 0.0f, 20.0f, hex));
	EXPECT_EQ(low, 1.0f);
	EXPECT_EQ(high, 10.0f);
	EXPECT_EQ(hex, 16.0f);
	// A bound is compared in the type the value is kept in: as a float this is 0.95.
	ASSERT_TRUE(in.number("D", 0.0f, 0.95f, single));
	EXPECT_EQ(single, 0.95f);
	StatementReader strict = lineSeven("light 0.95000001");
	EXPECT_FALSE(strict.number("D", 0.0, 0.95, twice));
	ASSERT_TRUE(in.number("D", 0.0, 1.0, twice));
	EXPECT_EQ(twice, 0.95000001);
	ASSERT_TRUE(in.whole("N", 3, 3, whole));
	EXPECT_EQ(whole, 3);

	float oval = 0.0f, wobble = 0.0f, angle = 0.0f, ovalAngle = -1.0f;
	bool gap = false;
	ASSERT_TRUE(in.options({
		{"wobble", [&] { return in.number("W", 0.0f, 2.0f, wobble) && in.optionalNumber("ANGLE", -360.0f, 360.0f, angle); }},
		{"gap", [&] { return gap = true; }},
		{"oval", [&] { return in.number("RATIO", 0.25f, 4.0f, oval) && in.optionalNumber("ANGLE", -360.0f, 360.0f, ovalAngle); }},
		{"end", [] { return true; }},
	})) << in.error();
	EXPECT_EQ(oval, 2.0f);
	// No number after the ratio: its angle is left as it was.
	EXPECT_EQ(ovalAngle, -1.0f);
	EXPECT_TRUE(gap);
	EXPECT_EQ(wobble, 1.5f);
	EXPECT_EQ(angle, 30.0f);
	EXPECT_TRUE(in.done());
	EXPECT_TRUE(in.end());
	EXPECT_EQ(in.error(), "");

	StatementReader hand = lineSeven("at 4 hand glide 1 2");
	int pass;
	std::string what;
	ASSERT_TRUE(hand.whole("PASS", 1, 9999999, pass) && hand.word("WHAT", what));
	EXPECT_FALSE(hand.take("away"));
	EXPECT_TRUE(hand.take("glide"));
	EXPECT_TRUE(hand.nextIsNumber());
	EXPECT_EQ(hand.line(), 7);
	EXPECT_EQ(hand.keyword(), "at");
}

}  // namespace
