#include "scenes/SceneScript.h"

#include "scenes/ProjectorStatement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

/// The scene file, one statement a line; '#' starts a comment. Board points
/// are board pixels (x right, y down, the drawing area is about 155..485 by
/// 155..325), inks are black, yellow or red:
///
///     view DISTANCE TILT TURN [X Y]      where the camera starts (millimetres, degrees)
///     light WORD VALUE ...               the room's light: temperature K | cast R G B |
///                                        exposure E | gradient G [ANGLE] | vignetting V
///     camera WORD VALUE ...              the webcam: blur SIGMA | noise SIGMA | jpeg QUALITY
///     projector DISTANCE TILT TURN [X Y] [size W H] [focal F] [latency N] [brightness B] [room R]
///                                        a projector lights the board (see ProjectorStatement.h)
///     map NAME                           a drawing; the first one shows from pass 1
///     stroke INK WIDTH X Y X Y ...       a pen line through two or more points
///     ring INK X Y RADIUS WIDTH [wobble W] [gap DEGREES] [oval RATIO [ANGLE]]
///                                        a circle drawn with the pen, by hand if asked
///     disc INK X Y RADIUS                a filled circle
///     portal X Y [ANGLE]                 the portal card, turned by ANGLE degrees
///     at PASS map NAME                   from pass PASS on, the board shows another drawing
///     at PASS hand X Y                   a hand lies over the board, its palm at (X, Y)
///     at PASS hand glide X Y             the hand slides there, arriving in pass PASS
///     at PASS hand away                  the hand leaves
///     at PASS view DISTANCE TILT TURN [X Y]  the camera moves
///     at PASS key K                      the user presses key K (one character, or esc)
///     at PASS click WINDOW X Y           a left click in a window
///     at PASS drag WINDOW X Y X Y        a left drag in a window
///
/// Timeline lines come in pass order.

namespace
{

class SceneParser
{
public:
	SceneParser(const std::string& name, SceneScript& script) : name(name), script(script) {}

	/// False, with the reason in `error`, at the first bad line.
	bool parse(const std::string& text)
	{
		std::istringstream lines(text);
		std::string line;
		while (std::getline(lines, line))
		{
			++lineNumber;
			words.clear();
			std::istringstream split(line.substr(0, line.find('#')));
			for (std::string word; split >> word;)
			{
				words.push_back(word);
			}
			if (!words.empty() && !statement())
			{
				return false;
			}
		}
		if (script.maps.empty())
		{
			return fail("no map: a scene needs at least one drawing");
		}
		return true;
	}

	std::string error;

private:
	bool statement()
	{
		const std::string& keyword = words[0];
		if (keyword == "view")
		{
			return startView();
		}
		if (keyword == "map")
		{
			return startMap();
		}
		if (keyword == "light" || keyword == "camera")
		{
			if (!script.cues.empty())
			{
				return fail("\"" + keyword + "\" comes before the timeline: it holds for the whole scene");
			}
			return keyword == "light" ? readLight(script.photography.light) : readCamera(script.photography);
		}
		if (keyword == "stroke" || keyword == "ring" || keyword == "disc" || keyword == "portal")
		{
			if (script.maps.empty())
			{
				return fail("\"" + keyword + "\" before the first \"map\"");
			}
			if (!script.cues.empty())
			{
				return fail("\"" + keyword + "\" after the timeline has begun: drawings come first");
			}
			return drawingElement(keyword, script.maps.back());
		}
		if (keyword == "at")
		{
			return cue();
		}
		if (keyword == "projector")
		{
			return projectorStatement();
		}
		return fail("unknown statement \"" + keyword + "\"");
	}

	bool startView()
	{
		CameraView view;
		if (!readView(1, view))
		{
			return false;
		}
		if (!script.cues.empty())
		{
			return fail("\"view\" sets where the camera starts: it comes before the timeline");
		}
		script.views.assign(1, view);
		return true;
	}

	bool projectorStatement()
	{
		if (script.hasProjector)
		{
			return fail("a second projector");
		}
		if (!script.cues.empty())
		{
			return fail("\"projector\" comes before the timeline");
		}
		std::string reason;
		if (!parseProjectorStatement(words, script.projector, reason))
		{
			return fail(reason);
		}
		script.hasProjector = true;
		return true;
	}

	bool startMap()
	{
		if (words.size() != 2)
		{
			return fail("expected \"map NAME\"");
		}
		if (mapNumbers.count(words[1]) != 0)
		{
			return fail("a second map named \"" + words[1] + "\"");
		}
		if (!script.cues.empty())
		{
			return fail("\"map\" after the timeline has begun: drawings come first");
		}
		mapNumbers[words[1]] = int(script.maps.size());
		script.maps.emplace_back();
		return true;
	}

	bool drawingElement(const std::string& keyword, BoardDrawing& drawing)
	{
		if (keyword == "stroke")
		{
			InkStroke stroke;
			if (words.size() < 7 || words.size() % 2 != 1)
			{
				return fail("expected \"stroke INK WIDTH X Y X Y ...\" with two or more points");
			}
			if (!readInk(1, stroke.ink) || !readPositive(2, stroke.width))
			{
				return false;
			}
			for (size_t i = 3; i < words.size(); i += 2)
			{
				cv::Point2f p;
				if (!readPoint(i, p))
				{
					return false;
				}
				stroke.points.push_back(p);
			}
			drawing.strokes.push_back(stroke);
			return true;
		}
		if (keyword == "ring" || keyword == "disc")
		{
			InkCircle circle;
			circle.filled = keyword == "disc";
			const size_t count = circle.filled ? 5 : 6;
			if (words.size() < count || (circle.filled && words.size() != count))
			{
				return fail(circle.filled ? "expected \"disc INK X Y RADIUS\"" : "expected \"ring INK X Y RADIUS WIDTH\"");
			}
			if (!readInk(1, circle.ink) || !readPoint(2, circle.centre) || !readPositive(4, circle.radius)
				|| (!circle.filled && !readPositive(5, circle.width)) || !readHandDrawing(count, circle))
			{
				return false;
			}
			drawing.circles.push_back(circle);
			return true;
		}
		// The portal card.
		if (words.size() != 3 && words.size() != 4)
		{
			return fail("expected \"portal X Y [ANGLE]\"");
		}
		if (drawing.hasPortal)
		{
			return fail("a second portal card in one map");
		}
		float angle = 0.0f;
		if (!readPoint(1, drawing.portal.centre) || (words.size() == 4 && !readFloat(3, angle)))
		{
			return false;
		}
		drawing.portal.angle = angle;
		drawing.hasPortal = true;
		return true;
	}

	bool cue()
	{
		SceneCue cue;
		cue.line = lineNumber;
		if (words.size() < 3 || !readPass(1, cue.pass))
		{
			return words.size() < 3 ? fail("expected \"at PASS WHAT ...\"") : false;
		}
		if (!script.cues.empty() && cue.pass < script.cues.back().pass)
		{
			return fail("pass " + words[1] + " comes before pass " + std::to_string(script.cues.back().pass)
				+ " above: the timeline goes in pass order");
		}
		const std::string& what = words[2];
		bool ok = false;
		if (what == "map")
		{
			ok = mapCue(cue);
		}
		else if (what == "hand")
		{
			ok = handCue(cue);
		}
		else if (what == "view")
		{
			cue.kind = SceneCue::View;
			ok = readView(3, cue.view);
			if (ok && std::find(script.views.begin(), script.views.end(), cue.view) == script.views.end())
			{
				script.views.push_back(cue.view);
			}
		}
		else if (what == "key" || what == "click" || what == "drag")
		{
			cue.kind = SceneCue::Input;
			ok = inputCue(what, cue.input);
		}
		else
		{
			return fail("unknown change \"" + what + "\": use map, hand, view, key, click or drag");
		}
		if (ok)
		{
			script.cues.push_back(cue);
		}
		return ok;
	}

	bool mapCue(SceneCue& cue)
	{
		cue.kind = SceneCue::ShowMap;
		if (words.size() != 4)
		{
			return fail("expected \"at PASS map NAME\"");
		}
		const auto found = mapNumbers.find(words[3]);
		if (found == mapNumbers.end())
		{
			return fail("no map named \"" + words[3] + "\"");
		}
		cue.map = found->second;
		return true;
	}

	bool handCue(SceneCue& cue)
	{
		if (words.size() == 4 && words[3] == "away")
		{
			cue.kind = SceneCue::HandAway;
			handOnBoard = false;
			return true;
		}
		const bool glide = words.size() == 6 && words[3] == "glide";
		if (!glide && words.size() != 5)
		{
			return fail("expected \"at PASS hand X Y\", \"at PASS hand glide X Y\" or \"at PASS hand away\"");
		}
		if (glide && !handOnBoard)
		{
			return fail("the hand glides, but no hand is on the board yet");
		}
		cue.kind = glide ? SceneCue::HandGlide : SceneCue::HandAt;
		handOnBoard = true;
		return readPoint(glide ? 4 : 3, cue.point);
	}

	bool inputCue(const std::string& what, SceneInput& input)
	{
		if (what == "key")
		{
			input.kind = SceneInput::Key;
			if (words.size() != 4 || (words[3].size() != 1 && words[3] != "esc"))
			{
				return fail("expected \"at PASS key K\", K one character or esc");
			}
			input.key = words[3] == "esc" ? 27 : (unsigned char)words[3][0];
			return true;
		}
		const bool drag = what == "drag";
		input.kind = drag ? SceneInput::Drag : SceneInput::Click;
		if (words.size() != (drag ? 8u : 6u))
		{
			return fail(drag ? "expected \"at PASS drag WINDOW X Y X Y\"" : "expected \"at PASS click WINDOW X Y\"");
		}
		input.window = words[3];
		static const char* const windows[] = {"game", "normal", "warped", "cont", "skewbinary"};
		if (std::find(std::begin(windows), std::end(windows), input.window) == std::end(windows))
		{
			return fail("unknown window \"" + input.window + "\": use game, normal, warped, cont or skewbinary");
		}
		cv::Point2f from, to;
		if (!readPoint(4, from) || (drag && !readPoint(6, to)))
		{
			return false;
		}
		input.from = cv::Point(int(from.x), int(from.y));
		input.to = drag ? cv::Point(int(to.x), int(to.y)) : input.from;
		return true;
	}

	/// The words after a ring's width: how the hand drew it.
	bool readHandDrawing(size_t index, InkCircle& ring)
	{
		for (; index < words.size(); ++index)
		{
			const std::string& word = words[index];
			const bool hasValue = index + 1 < words.size();
			bool ok = false;
			if (word == "wobble" && hasValue)
			{
				ok = readWithin(++index, ring.wobble, 0.0f, ring.radius * 0.5f);
			}
			else if (word == "gap" && hasValue)
			{
				ok = readWithin(++index, ring.gap, 0.0f, 180.0f);
			}
			else if (word == "oval" && hasValue)
			{
				ok = readWithin(++index, ring.oval, 0.25f, 4.0f) && readOptional(index, ring.ovalAngle);
			}
			else
			{
				return fail("unknown word \"" + word + "\" after the ring: use wobble W, gap DEGREES or oval RATIO [ANGLE]");
			}
			if (!ok)
			{
				return false;
			}
		}
		return true;
	}

	/// light temperature K | cast R G B | exposure E | gradient G [ANGLE] | vignetting V, in any order.
	bool readLight(RoomLight& light)
	{
		if (words.size() < 3)
		{
			return fail("expected \"light\" and one or more of: temperature K, cast R G B, exposure E, "
						"gradient G [ANGLE], vignetting V");
		}
		for (size_t index = 1; index < words.size(); ++index)
		{
			const std::string& word = words[index];
			const size_t values = word == "cast" ? 3 : 1;
			if (index + values >= words.size())
			{
				return fail("\"" + word + "\" needs " + (values == 3 ? "three values" : "a value"));
			}
			float value = 0.0f, green = 0.0f, blue = 0.0f, angle = float(light.gradientAngle);
			bool ok = false;
			if (word == "temperature")
			{
				ok = readWithin(++index, value, 1000.0f, 40000.0f);
				light.cast = colourTemperatureCast(value);
			}
			else if (word == "cast")
			{
				// Written red, green, blue; the frames are blue, green, red.
				ok = readWithin(++index, value, 0.05f, 4.0f) && readWithin(++index, green, 0.05f, 4.0f)
					&& readWithin(++index, blue, 0.05f, 4.0f);
				light.cast = cv::Vec3d(blue, green, value);
			}
			else if (word == "exposure")
			{
				ok = readWithin(++index, value, 0.05f, 4.0f);
				light.exposure = value;
			}
			else if (word == "gradient")
			{
				ok = readWithin(++index, value, 0.0f, 0.95f) && readOptional(index, angle);
				light.gradient = value;
				light.gradientAngle = angle;
			}
			else if (word == "vignetting")
			{
				ok = readWithin(++index, value, 0.0f, 0.95f);
				light.vignetting = value;
			}
			else
			{
				return fail("unknown word \"" + word + "\" in \"light\": use temperature, cast, exposure, gradient or vignetting");
			}
			if (!ok)
			{
				return false;
			}
		}
		return true;
	}

	/// camera blur SIGMA | noise SIGMA | jpeg QUALITY, in any order.
	bool readCamera(Photography& photography)
	{
		if (words.size() < 3 || words.size() % 2 != 1)
		{
			return fail("expected \"camera\" and one or more of: blur SIGMA, noise SIGMA, jpeg QUALITY");
		}
		for (size_t index = 1; index < words.size(); index += 2)
		{
			const std::string& word = words[index];
			float value = 0.0f;
			if (word == "blur" && readWithin(index + 1, value, 0.0f, 10.0f))
			{
				photography.blur = value;
			}
			else if (word == "noise" && readWithin(index + 1, value, 0.0f, 50.0f))
			{
				photography.noise = value;
			}
			else if (word == "jpeg" && readWithin(index + 1, value, 1.0f, 100.0f))
			{
				photography.jpegQuality = int(std::lround(value));
			}
			else
			{
				return !error.empty() ? false : fail("unknown word \"" + word + "\" in \"camera\": use blur, noise or jpeg");
			}
		}
		return true;
	}

	// Values.

	bool isNumber(const std::string& word) const
	{
		char* end = nullptr;
		std::strtod(word.c_str(), &end);
		return !word.empty() && *end == '\0';
	}

	bool inRange(size_t index, float value, float low, float high)
	{
		if (value < low || value > high)
		{
			return fail("\"" + words[index] + "\" must lie between " + shortNumber(low) + " and " + shortNumber(high));
		}
		return true;
	}

	/// A number from `low` to `high`, both included.
	bool readWithin(size_t index, float& value, float low, float high)
	{
		return readFloat(index, value) && inRange(index, value, low, high);
	}

	/// A number that may follow the word at `index`: read, and `index`
	/// moved onto it, when there is one.
	bool readOptional(size_t& index, float& value)
	{
		if (index + 1 >= words.size() || !isNumber(words[index + 1]))
		{
			return true;
		}
		return readFloat(++index, value);
	}

	static std::string shortNumber(float value)
	{
		char text[32];
		std::snprintf(text, sizeof text, "%g", double(value));
		return text;
	}

	bool readView(size_t first, CameraView& view)
	{
		const size_t count = words.size() - first;
		if (count != 3 && count != 5)
		{
			return fail("expected a camera place: DISTANCE TILT TURN [X Y]");
		}
		float distance, tilt, turn;
		cv::Point2f target;
		if (!readPositive(first, distance) || !readFloat(first + 1, tilt) || !readFloat(first + 2, turn)
			|| (count == 5 && !readPoint(first + 3, target)))
		{
			return false;
		}
		view.distance = distance;
		view.tilt = tilt;
		view.turn = turn;
		view.target = cv::Point2d(target);
		return true;
	}

	bool readInk(size_t index, Ink& ink)
	{
		const std::string& word = words[index];
		if (word == "black")
		{
			ink = Ink::Black;
		}
		else if (word == "yellow")
		{
			ink = Ink::Yellow;
		}
		else if (word == "red")
		{
			ink = Ink::Red;
		}
		else
		{
			return fail("unknown ink \"" + word + "\": use black, yellow or red");
		}
		return true;
	}

	bool readFloat(size_t index, float& value)
	{
		const std::string& word = words[index];
		char* end = nullptr;
		const double parsed = std::strtod(word.c_str(), &end);
		if (word.empty() || *end != '\0' || !std::isfinite(parsed) || std::fabs(parsed) > 1e6)
		{
			return fail("bad number \"" + word + "\"");
		}
		value = float(parsed);
		return true;
	}

	bool readPositive(size_t index, float& value)
	{
		if (!readFloat(index, value))
		{
			return false;
		}
		return value > 0.0f ? true : fail("\"" + words[index] + "\" must be above 0");
	}

	bool readPoint(size_t index, cv::Point2f& point)
	{
		return readFloat(index, point.x) && readFloat(index + 1, point.y);
	}

	bool readPass(size_t index, int& pass)
	{
		const std::string& word = words[index];
		if (word.empty() || word.size() > 7 || word.find_first_not_of("0123456789") != std::string::npos
			|| std::stoi(word) < 1)
		{
			return fail("bad pass \"" + word + "\": use a whole number from 1");
		}
		pass = std::stoi(word);
		return true;
	}

	bool fail(const std::string& reason)
	{
		error = name + ":" + std::to_string(lineNumber) + ": " + reason;
		return false;
	}

	const std::string& name;
	SceneScript& script;
	std::vector<std::string> words;
	int lineNumber = 0;
	std::map<std::string, int> mapNumbers;
	bool handOnBoard = false;
};

}  // namespace

bool parseSceneScript(const std::string& text, const std::string& name, SceneScript& script, std::string& error)
{
	SceneScript parsed;
	parsed.views.assign(1, CameraView());
	SceneParser parser(name, parsed);
	if (!parser.parse(text))
	{
		error = parser.error;
		return false;
	}
	script = std::move(parsed);
	return true;
}

bool readSceneScript(const std::string& path, SceneScript& script, std::string& error)
{
	std::ifstream file(path, std::ios::binary);
	if (!file)
	{
		error = path + ": cannot read the scene file";
		return false;
	}
	std::ostringstream text;
	text << file.rdbuf();
	return parseSceneScript(text.str(), path, script, error);
}
