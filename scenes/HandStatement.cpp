#include "scenes/SceneStatements.h"

#include <cmath>

namespace
{

/// skin TONE: a step of the ten-step skin tone scale, or a colour.
bool readSkin(StatementReader& in, cv::Scalar& skin)
{
	if (in.nextIsNumber())
	{
		int step;
		if (!in.whole("TONE", 1, 10, step))
		{
			return false;
		}
		skin = skinToneScale[step - 1];
		return true;
	}
	std::string word;
	if (!in.word("TONE", word))
	{
		return false;
	}
	return hexColour(word, skin) || in.refuse("TONE", word, "a whole number from 1 to 10 or a colour #RRGGBB");
}

/// from SIDE: bottom, top, left, right or an angle
bool readSide(StatementReader& in, double& from)
{
	if (in.nextIsNumber())
	{
		return in.number("SIDE", -360.0, 360.0, from);
	}
	const std::pair<const char*, double> sides[] = {{"bottom", 270.0}, {"top", 90.0}, {"left", 180.0}, {"right", 0.0}};
	std::string word;
	if (!in.word("SIDE", word))
	{
		return false;
	}
	for (const auto& [name, angle] : sides)
	{
		if (word == name)
		{
			from = angle;
			return true;
		}
	}
	return in.refuse("SIDE", word, "bottom, top, left, right or an angle from -360 to 360");
}

/// towards ANGLE DISTANCE: where the hand's shadow lies from it, as an offset
/// in board pixels (y down).
bool readShadowPlace(StatementReader& in, cv::Point2f& offset)
{
	double angle, distance;
	if (!in.number("ANGLE", -360.0, 360.0, angle) || !in.number("DISTANCE", 0.0, 200.0, distance))
	{
		return false;
	}
	const double radians = angle * CV_PI / 180.0;
	offset = cv::Point2f(float(distance * std::cos(radians)), float(-distance * std::sin(radians)));
	return true;
}

/// hand [skin TONE] [shape SHAPE] [from SIDE] [shadow D] [soft S] [towards ANGLE DISTANCE]
bool readHand(StatementReader& in, SceneBeingRead& scene)
{
	if (scene.handLooked)
	{
		return in.fail("a second \"hand\": the scene's hand looks one way");
	}
	HandLook look;
	// A hand described is a real one, shaded.
	look.shaded = true;
	// The shadow's edge or place was given.
	bool placed = false;
	const bool read = in.options(
		{
			{"skin", [&] { return readSkin(in, look.skin); }},
			{"shape",
				[&] {
					return in.choice("SHAPE",
						{{"whole", HandShape::Whole}, {"fingers", HandShape::Fingers}, {"child", HandShape::Child}},
						look.shape);
				}},
			{"from", [&] { return readSide(in, look.from); }},
			{"shadow", [&] { return in.number("D", 0.0, 1.0, look.shadow); }},
			{"soft",
				[&] {
					placed = true;
					return in.number("S", 1.0, 100.0, look.shadowSoft);
				}},
			{"towards",
				[&] {
					placed = true;
					return readShadowPlace(in, look.shadowOffset);
				}},
		},
		1);
	if (!read)
	{
		return false;
	}
	if (placed && look.shadow == 0.0)
	{
		return in.fail("\"soft\" and \"towards\" describe the hand's shadow: give its darkness, shadow D, too");
	}
	scene.script.hand = look;
	scene.handLooked = true;
	return true;
}

}  // namespace

const std::vector<SceneStatement>& handStatements()
{
	static const std::vector<SceneStatement> statements = {{"hand", readHand}};
	return statements;
}
