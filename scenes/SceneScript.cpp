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
		case SceneCue::Exposure:
		case SceneCue::Balance:
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

namespace
{

/// A setting of the camera going from `from` to `to` in the passes after `pass`.
template <typename Value>
struct Change
{
	int pass = 0;
	int over = 0;
	Value from;
	Value to;

	Value at(int now) const
	{
		if (over <= 0 || now >= pass + over)
		{
			return to;
		}
		const double t = double(std::max(0, now - pass)) / over;
		return from + (to - from) * t;
	}
};

}  // namespace

CameraSettings SceneScript::cameraAt(int pass) const
{
	const CameraSettings start;
	Change<double> exposure{0, 0, start.exposure, start.exposure};
	Change<cv::Vec3d> balance{0, 0, start.balance, start.balance};
	for (const SceneCue& cue : cues)
	{
		if (cue.pass > pass)
		{
			break;
		}
		// Where a setting is comes first, in a value of its own: GCC 12 builds
		// an assigned aggregate in place, before reading the old one.
		if (cue.kind == SceneCue::Exposure)
		{
			const double now = exposure.at(cue.pass);
			exposure = {cue.pass, cue.over, now, cue.exposure};
		}
		else if (cue.kind == SceneCue::Balance)
		{
			const cv::Vec3d now = balance.at(cue.pass);
			balance = {cue.pass, cue.over, now, cue.balance};
		}
	}
	CameraSettings settings;
	settings.exposure = exposure.at(pass);
	settings.balance = balance.at(pass);
	return settings;
}

bool SceneScript::inLinearLight() const
{
	const bool settingsChange = std::any_of(cues.begin(), cues.end(),
		[](const SceneCue& cue) { return cue.kind == SceneCue::Exposure || cue.kind == SceneCue::Balance; });
	return photography.inLinearLight() || settingsChange || (hasProjector && projector.honest);
}
