#include "scenes/SceneStatements.h"

namespace
{

// Sizes on the board, board pixels (the board is 640 x 480, a board pixel
// about half a millimetre): far beyond it still reads.
constexpr double largestSize = 5000.0;
constexpr double widestEdge = 1000.0;

/// band X1 Y1 X2 Y2 WIDTH | disc X Y RADIUS | polygon X Y X Y X Y ... | half X Y ANGLE,
/// the kinds `kinds` allows, after the keyword.
bool readShape(StatementReader& in, std::initializer_list<std::pair<const char*, BoardShape::Kind>> kinds,
	BoardShape& shape)
{
	const std::string name = "the word after " + in.keyword();
	if (!in.choice(name.c_str(), kinds, shape.kind))
	{
		return false;
	}
	in.expect(in.keyword() + " " + in.previous());
	switch (shape.kind)
	{
	case BoardShape::Band:
		shape.points.resize(2);
		return readBoardPoint(in, "X1", "Y1", shape.points[0]) && readBoardPoint(in, "X2", "Y2", shape.points[1])
			&& in.number("WIDTH", 0.5, largestSize, shape.size);
	case BoardShape::Disc:
		shape.points.resize(1);
		return readBoardPoint(in, "X", "Y", shape.points[0]) && in.number("RADIUS", 0.5, largestSize, shape.size);
	case BoardShape::Polygon:
		return readOutline(in, shape.points);
	case BoardShape::Half:
		shape.points.resize(1);
		return readBoardPoint(in, "X", "Y", shape.points[0]) && in.number("ANGLE", -360.0, 360.0, shape.angle);
	}
	return false;
}

/// shadow band X1 Y1 X2 Y2 WIDTH [darkness D] [soft S]
/// shadow disc X Y RADIUS [darkness D] [soft S]
/// shadow polygon X Y X Y X Y ... [darkness D] [soft S]
bool readShadow(StatementReader& in, SceneBeingRead& scene)
{
	Shadow shadow;
	const bool read = readShape(in,
						  {{"band", BoardShape::Band}, {"disc", BoardShape::Disc}, {"polygon", BoardShape::Polygon}},
						  shadow.shape)
		&& in.options({
			{"darkness", [&] { return in.number("D", 0.0, 1.0, shadow.darkness); }},
			{"soft", [&] { return in.number("S", 0.0, widestEdge, shadow.soft); }},
		});
	if (!read)
	{
		return false;
	}
	scene.script.photography.local.shadows.push_back(shadow);
	return true;
}

/// patch half X Y ANGLE [temperature K] [cast R G B] [exposure E] [edge W]
/// patch polygon X Y X Y X Y ... [temperature K] [cast R G B] [exposure E] [edge W]
bool readPatch(StatementReader& in, SceneBeingRead& scene)
{
	LightPatch patch;
	cv::Vec3d cast;
	double exposure = 1.0;
	const bool read = readShape(in, {{"half", BoardShape::Half}, {"polygon", BoardShape::Polygon}}, patch.shape)
		&& in.options(
			{
				{"temperature", [&] { return readTemperature(in, cast) && (patch.cast = cast, true); }},
				{"cast", [&] { return readCast(in, cast) && (patch.cast = cast, true); }},
				{"exposure",
					[&] { return readSingle(in, "E", 0.05f, 8.0f, exposure) && (patch.exposure = exposure, true); }},
				{"edge", [&] { return in.number("W", 0.0, widestEdge, patch.edge); }},
			},
			1);
	if (!read)
	{
		return false;
	}
	if (!patch.cast && !patch.exposure)
	{
		return in.fail("a patch without a light of its own: give its temperature, cast or exposure");
	}
	scene.script.photography.local.patches.push_back(patch);
	return true;
}

/// lamp X Y [height H] [strength S] [temperature K] [cast R G B]
bool readLamp(StatementReader& in, SceneBeingRead& scene)
{
	// A bulb's warm light unless told otherwise.
	constexpr double bulb = 2700.0;
	Lamp lamp;
	lamp.cast = colourTemperatureCast(bulb);
	const bool read = readBoardPoint(in, "X", "Y", lamp.at)
		&& in.options({
			{"height", [&] { return in.number("H", 1.0, largestSize, lamp.height); }},
			{"strength", [&] { return in.number("S", 0.0, 20.0, lamp.strength); }},
			{"temperature", [&] { return readTemperature(in, lamp.cast); }},
			{"cast", [&] { return readCast(in, lamp.cast); }},
		});
	if (!read)
	{
		return false;
	}
	scene.script.photography.local.lamps.push_back(lamp);
	return true;
}

/// glare X Y RADIUS [halo H [STRENGTH]]
bool readGlare(StatementReader& in, SceneBeingRead& scene)
{
	Glare glare;
	const bool read = readBoardPoint(in, "X", "Y", glare.at) && in.number("RADIUS", 0.5, largestSize, glare.radius)
		&& in.options({
			{"halo",
				[&] {
					return in.number("H", 0.0, largestSize, glare.halo)
						&& in.optionalNumber("STRENGTH", 0.0, 4.0, glare.strength);
				}},
		});
	if (!read)
	{
		return false;
	}
	scene.script.photography.local.glares.push_back(glare);
	return true;
}

}  // namespace

bool readBoardPoint(StatementReader& in, const char* nameX, const char* nameY, cv::Point2d& point)
{
	return in.number(nameX, -1e4, 1e4, point.x) && in.number(nameY, -1e4, 1e4, point.y);
}

bool readOutline(StatementReader& in, std::vector<cv::Point2d>& corners)
{
	corners.clear();
	// Three corners, then as many as are written.
	while (corners.size() < 3 || in.nextIsNumber())
	{
		cv::Point2d corner;
		if (!readBoardPoint(in, "X", "Y", corner))
		{
			return false;
		}
		corners.push_back(corner);
	}
	return true;
}

const std::vector<SceneStatement>& localLightStatements()
{
	static const std::vector<SceneStatement> statements = {
		{"shadow", readShadow}, {"patch", readPatch}, {"lamp", readLamp}, {"glare", readGlare}};
	return statements;
}
