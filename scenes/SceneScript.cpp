#include "scenes/SceneScript.h"

#include <algorithm>
#include <cmath>
#include <tuple>

bool SceneState::operator<(const SceneState& other) const
{
	return std::tie(map, hand, palm.x, palm.y, view) < std::tie(other.map, other.hand, other.palm.x, other.palm.y, other.view);
}

namespace
{

cv::Point roundedPoint(cv::Point2f p)
{
	return cv::Point(int(std::lround(p.x)), int(std::lround(p.y)));
}

}  // namespace

SceneState SceneScript::stateAt(int pass) const
{
	SceneState state;
	cv::Point2f palm;
	// Where the palm was last placed, and when: a glide starts from there.
	int palmPass = 1;
	for (const SceneCue& cue : cues)
	{
		if (cue.pass > pass)
		{
			if (cue.kind == SceneCue::HandGlide && state.hand && cue.pass > palmPass)
			{
				const float t = float(pass - palmPass) / float(cue.pass - palmPass);
				palm += (cue.point - palm) * t;
			}
			// Cues come in pass order: nothing later applies yet.
			break;
		}
		switch (cue.kind)
		{
		case SceneCue::ShowMap:
			state.map = cue.map;
			break;
		case SceneCue::HandAt:
		case SceneCue::HandGlide:
			state.hand = true;
			palm = cue.point;
			palmPass = cue.pass;
			break;
		case SceneCue::HandAway:
			state.hand = false;
			break;
		case SceneCue::View:
			state.view = int(std::find(views.begin(), views.end(), cue.view) - views.begin());
			break;
		case SceneCue::Input:
			break;
		}
	}
	if (state.hand)
	{
		state.palm = roundedPoint(palm);
	}
	return state;
}

std::vector<SceneInput> SceneScript::inputsAt(int pass) const
{
	std::vector<SceneInput> inputs;
	for (const SceneCue& cue : cues)
	{
		if (cue.pass == pass && cue.kind == SceneCue::Input)
		{
			inputs.push_back(cue.input);
		}
	}
	return inputs;
}
