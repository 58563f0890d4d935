#include "scenes/SceneStatements.h"

#include <cctype>

namespace
{

// Sizes of what the pen draws, board pixels (the board is 640 x 480).
constexpr float thinnestPen = 0.5f, widestPen = 100.0f;
constexpr float smallestRadius = 1.0f, largestRadius = 1000.0f;

/// INK: a named pen, or a colour #RRGGBB, which counts as black ink when
/// darker than mid grey and as a highlighter otherwise.
bool readInk(StatementReader& in, Ink& ink, cv::Scalar& colour)
{
	std::string word;
	if (!in.word("INK", word))
	{
		return false;
	}
	std::string names;
	for (const NamedInk& named : namedInks())
	{
		if (word == named.name)
		{
			ink = named.ink;
			colour = named.colour;
			return true;
		}
		names += named.name + std::string(", ");
	}
	if (!hexColour(word, colour))
	{
		return in.refuse("INK", word, names + "or a colour #RRGGBB");
	}
	const double luminance = 0.114 * colour[0] + 0.587 * colour[1] + 0.299 * colour[2];
	ink = luminance < 128.0 ? Ink::Black : Ink::Yellow;
	return true;
}

/// The drawing of the last "map" above, which the line draws on; null, the
/// line refused, before the first.
BoardDrawing* drawingOf(StatementReader& in, SceneBeingRead& scene)
{
	if (scene.script.maps.empty())
	{
		in.fail("\"" + in.keyword() + "\" before the first \"map\"");
		return nullptr;
	}
	return &scene.script.maps.back();
}

/// map NAME
bool readMap(StatementReader& in, SceneBeingRead& scene)
{
	std::string name;
	if (!in.word("NAME", name) || !in.end())
	{
		return false;
	}
	if (scene.mapNumbers.count(name) != 0)
	{
		return in.fail("a second map named \"" + name + "\"");
	}
	scene.mapNumbers[name] = int(scene.script.maps.size());
	scene.script.maps.emplace_back();
	return true;
}

/// stroke INK WIDTH X Y X Y ...
bool readStroke(StatementReader& in, SceneBeingRead& scene)
{
	BoardDrawing* drawing = drawingOf(in, scene);
	InkStroke stroke;
	if (drawing == nullptr || !readInk(in, stroke.ink, stroke.colour)
		|| !in.number("WIDTH", thinnestPen, widestPen, stroke.width))
	{
		return false;
	}
	// Two points, then as many as are written.
	while (stroke.points.size() < 2 || !in.done())
	{
		cv::Point2f point;
		if (!readBoardPoint(in, point))
		{
			return false;
		}
		stroke.points.push_back(point);
	}
	drawing->strokes.push_back(stroke);
	return true;
}

/// The words after a ring's width: how a hand drew it.
bool readHandDrawing(StatementReader& in, InkCircle& ring)
{
	return in.options({
		{"wobble", [&] { return in.number("W", 0.0f, ring.radius * 0.5f, ring.wobble); }},
		{"gap", [&] { return in.number("DEGREES", 0.0f, 180.0f, ring.gap); }},
		{"oval",
			[&] {
				return in.number("RATIO", 0.25f, 4.0f, ring.oval)
					&& in.optionalNumber("ANGLE", -360.0f, 360.0f, ring.ovalAngle);
			}},
	});
}

/// ring INK X Y RADIUS WIDTH [wobble W] [gap DEGREES] [oval RATIO [ANGLE]]
/// disc INK X Y RADIUS
bool readCircle(StatementReader& in, SceneBeingRead& scene, bool filled)
{
	BoardDrawing* drawing = drawingOf(in, scene);
	InkCircle circle;
	circle.filled = filled;
	if (drawing == nullptr || !readInk(in, circle.ink, circle.colour) || !readBoardPoint(in, circle.centre)
		|| !in.number("RADIUS", smallestRadius, largestRadius, circle.radius))
	{
		return false;
	}
	const bool restRead = filled ? in.end()
								 : in.number("WIDTH", thinnestPen, widestPen, circle.width) && readHandDrawing(in, circle);
	if (!restRead)
	{
		return false;
	}
	drawing->circles.push_back(circle);
	return true;
}

bool readRing(StatementReader& in, SceneBeingRead& scene)
{
	return readCircle(in, scene, false);
}

bool readDisc(StatementReader& in, SceneBeingRead& scene)
{
	return readCircle(in, scene, true);
}

/// portal X Y [ANGLE]
bool readPortal(StatementReader& in, SceneBeingRead& scene)
{
	BoardDrawing* drawing = drawingOf(in, scene);
	PortalCardPlacement portal;
	if (drawing == nullptr || !readBoardPoint(in, portal.centre)
		|| !in.optionalNumber("ANGLE", -360.0f, 360.0f, portal.angle) || !in.end())
	{
		return false;
	}
	if (drawing->hasPortal)
	{
		return in.fail("a second portal card in one map");
	}
	drawing->portal = portal;
	drawing->hasPortal = true;
	return true;
}

}  // namespace

bool hexColour(const std::string& word, cv::Scalar& bgr)
{
	if (word.size() != 7 || word[0] != '#')
	{
		return false;
	}
	int channel[3];
	for (int c = 0; c < 3; ++c)
	{
		const std::string digits = word.substr(size_t(1 + 2 * c), 2);
		if (!std::isxdigit((unsigned char)digits[0]) || !std::isxdigit((unsigned char)digits[1]))
		{
			return false;
		}
		channel[c] = std::stoi(digits, nullptr, 16);
	}
	bgr = cv::Scalar(channel[2], channel[1], channel[0]);
	return true;
}

bool readBoardPoint(StatementReader& in, cv::Point2f& point)
{
	// Well off the board still reads: a hand may lie partly beside it.
	return in.number("X", -1e4f, 1e4f, point.x) && in.number("Y", -1e4f, 1e4f, point.y);
}

const std::vector<SceneStatement>& drawingStatements()
{
	static const std::vector<SceneStatement> statements = {
		{"map", readMap}, {"stroke", readStroke}, {"ring", readRing}, {"disc", readDisc}, {"portal", readPortal}};
	return statements;
}
