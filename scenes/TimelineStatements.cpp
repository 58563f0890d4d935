#include "scenes/SceneStatements.h"

#include <algorithm>

namespace
{

/// Reads the words after "at PASS WHAT" into the cue.
using ChangeReader = bool (*)(StatementReader& in, SceneBeingRead& scene, SceneCue& cue);

/// at PASS map NAME
bool readMapChange(StatementReader& in, SceneBeingRead& scene, SceneCue& cue)
{
	std::string name;
	if (!in.word("NAME", name) || !in.end())
	{
		return false;
	}
	const auto found = scene.mapNumbers.find(name);
	if (found == scene.mapNumbers.end())
	{
		return in.fail("no map named \"" + name + "\"");
	}
	cue.kind = SceneCue::ShowMap;
	cue.map = found->second;
	return true;
}

/// at PASS hand X Y | at PASS hand glide X Y | at PASS hand away
bool readHandChange(StatementReader& in, SceneBeingRead& scene, SceneCue& cue)
{
	if (in.take("away"))
	{
		cue.kind = SceneCue::HandAway;
		scene.handOnBoard = false;
		return in.end();
	}
	const bool glide = in.take("glide");
	if (glide && !scene.handOnBoard)
	{
		return in.fail("the hand glides, but no hand is on the board yet");
	}
	cue.kind = glide ? SceneCue::HandGlide : SceneCue::HandAt;
	scene.handOnBoard = true;
	return readBoardPoint(in, cue.point) && in.end();
}

/// at PASS view DISTANCE TILT TURN [X Y]
bool readViewChange(StatementReader& in, SceneBeingRead& scene, SceneCue& cue)
{
	cue.kind = SceneCue::View;
	if (!readCameraPlace(in, cue.view) || !in.end())
	{
		return false;
	}
	std::vector<CameraView>& views = scene.script.views;
	if (std::find(views.begin(), views.end(), cue.view) == views.end())
	{
		views.push_back(cue.view);
	}
	return true;
}

/// [over N]: the passes a change of the camera's settings takes.
bool readOver(StatementReader& in, SceneCue& cue)
{
	return (!in.take("over") || in.whole("N", 1, 9999999, cue.over)) && in.end();
}

/// at PASS exposure E [over N]
bool readExposure(StatementReader& in, SceneBeingRead&, SceneCue& cue)
{
	cue.kind = SceneCue::Exposure;
	return in.number("E", 0.05, 20.0, cue.exposure) && readOver(in, cue);
}

/// at PASS balance R G B [over N]
bool readBalance(StatementReader& in, SceneBeingRead&, SceneCue& cue)
{
	cue.kind = SceneCue::Balance;
	return readCast(in, cue.balance) && readOver(in, cue);
}

/// at PASS key K
bool readKey(StatementReader& in, SceneBeingRead&, SceneCue& cue)
{
	std::string key;
	if (!in.word("K", key))
	{
		return false;
	}
	if (key.size() != 1 && key != "esc" && key != "space")
	{
		return in.refuse("K", key, "one character, esc or space");
	}
	cue.kind = SceneCue::Input;
	cue.input.kind = SceneInput::Key;
	cue.input.key = key == "esc" ? 27 : key == "space" ? ' ' : (unsigned char)key[0];
	return in.end();
}

/// X Y in a window's pixels.
bool readWindowPixel(StatementReader& in, cv::Point& pixel)
{
	return in.whole("X", 0, 9999, pixel.x) && in.whole("Y", 0, 9999, pixel.y);
}

/// at PASS click WINDOW X Y | at PASS drag WINDOW X Y X Y
bool readPointer(StatementReader& in, SceneCue& cue, bool drag)
{
	SceneInput& input = cue.input;
	cue.kind = SceneCue::Input;
	input.kind = drag ? SceneInput::Drag : SceneInput::Click;
	// The windows of the program.
	if (!in.choice("WINDOW", {"game", "normal", "warped", "cont", "skewbinary"}, input.window)
		|| !readWindowPixel(in, input.from))
	{
		return false;
	}
	input.to = input.from;
	return (!drag || readWindowPixel(in, input.to)) && in.end();
}

bool readClick(StatementReader& in, SceneBeingRead&, SceneCue& cue)
{
	return readPointer(in, cue, false);
}

bool readDrag(StatementReader& in, SceneBeingRead&, SceneCue& cue)
{
	return readPointer(in, cue, true);
}

/// at PASS WHAT ...
bool readCue(StatementReader& in, SceneBeingRead& scene)
{
	SceneCue cue;
	cue.line = in.line();
	if (!in.whole("PASS", 1, 9999999, cue.pass))
	{
		return false;
	}
	const std::vector<SceneCue>& cues = scene.script.cues;
	if (!cues.empty() && cue.pass < cues.back().pass)
	{
		return in.fail("pass " + std::to_string(cue.pass) + " comes before pass " + std::to_string(cues.back().pass)
			+ " above: the timeline goes in pass order");
	}
	ChangeReader readChange = nullptr;
	if (!in.choice("the word after PASS",
			{{"map", readMapChange}, {"hand", readHandChange}, {"view", readViewChange}, {"key", readKey},
				{"click", readClick}, {"drag", readDrag}, {"exposure", readExposure}, {"balance", readBalance}},
			readChange))
	{
		return false;
	}
	in.expect("at PASS " + in.previous());
	if (!readChange(in, scene, cue))
	{
		return false;
	}
	scene.script.cues.push_back(cue);
	return true;
}

}  // namespace

const std::vector<SceneStatement>& timelineStatements()
{
	static const std::vector<SceneStatement> statements = {{"at", readCue, true}};
	return statements;
}
