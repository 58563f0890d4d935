#include "scenes/ScriptedBoardCamera.h"

#include <algorithm>

namespace
{

/// Focal planes kept at most: 25 at 1920 x 1080, 130 at 640 x 480. One that
/// was let go is rendered again when its state comes back.
constexpr size_t focalPlaneBudget = size_t(640) << 20;

CameraPose poseOf(const CameraView& view)
{
	return viewOfBoard(view.distance, view.tilt, view.turn, view.target);
}

/// The sensor's photography: an honest projector's light gets fresh grain,
/// and so does all the rest of the frame with it.
Photography sensed(const SceneScript& script)
{
	Photography photography = script.photography;
	photography.freshGrain |= script.hasProjector && script.projector.honest;
	return photography;
}

}  // namespace

ScriptedBoardCamera::ScriptedBoardCamera(
	SceneScript script, ARMultiMarkerInfoT board, ARMultiMarkerInfoT portal, ARParam camera)
	: script(std::move(script)), board(std::move(board)), portal(std::move(portal)),
	  camera(cameraForFrames(camera, this->script.photography.frameSize)), linear(this->script.inLinearLight())
{
	if (linear)
	{
		sensor = std::make_unique<Sensor>(sensed(this->script), frameSize());
		processing = std::make_unique<CameraProcessing>(sensed(this->script));
	}
	if (this->script.hasProjector)
	{
		lamp = std::make_unique<SimulatedProjector>(this->script.projector, this->camera);
	}
}

ScriptedBoardCamera::~ScriptedBoardCamera() = default;

std::unique_ptr<ScriptedBoardCamera> ScriptedBoardCamera::fromFiles(const std::string& sceneFile,
	const char* cameraParamFile, const char* boardFile, const char* portalFile, std::string& error)
{
	SceneScript script;
	if (!readSceneScript(sceneFile, script, error))
	{
		return nullptr;
	}
	BoardCameraFiles files;
	if (!readBoardCameraFiles(cameraParamFile, boardFile, portalFile, files, error))
	{
		return nullptr;
	}
	return std::make_unique<ScriptedBoardCamera>(
		std::move(script), std::move(files.board), std::move(files.portal), files.camera);
}

bool ScriptedBoardCamera::read(cv::Mat& frame)
{
	passCount += 1;
	const SceneState state = script.stateAt(passCount);
	if (!linear)
	{
		// The main loop may draw on the frame it gets; the kept one stays clean.
		frame = render(state).clone();
		if (lamp)
		{
			lightByProjector(frame, state);
		}
		return true;
	}
	cv::Mat fresh;
	CameraSettings settings = settingsIn(passCount);
	settings.exposure *= exposureAsked;
	if (lamp && script.projector.honest)
	{
		// Light reaches the paper, then the lens and the sensor, as all light does.
		showProjector(state);
		cv::Mat light = lamp->lightOnPaper(state);
		photographerAt(state.view).throughLens(light);
		cv::Mat radiance;
		cv::scaleAdd(focalPlane(state), script.projector.room, light, radiance);
		sensor->expose(radiance, settings, passCount, fresh);
		process(passCount, fresh);
	}
	else
	{
		sensor->expose(focalPlane(state), settings, passCount, fresh);
		process(passCount, fresh);
		if (lamp)
		{
			lightByProjector(fresh, state);
		}
	}
	frame = fresh;
	return true;
}

double ScriptedBoardCamera::framesPerSecond() const
{
	return script.photography.stages.lowLightGain != 1.0 ? 15.0 : 0.0;
}

CameraSettings ScriptedBoardCamera::settingsIn(int pass)
{
	CameraSettings settings = script.cameraAt(pass);
	const CameraSettings metered = processing->metered(pass, [this](int earlier) {
		const SceneState state = script.stateAt(earlier);
		const auto kept = focalMeans.find(state);
		return kept != focalMeans.end() ? kept->second : (focalMeans[state] = cv::mean(focalPlane(state)));
	});
	settings.exposure *= metered.exposure;
	settings.balance = settings.balance.mul(metered.balance);
	return settings;
}

cv::Mat ScriptedBoardCamera::sensedIn(int pass)
{
	cv::Mat frame;
	sensor->expose(focalPlane(script.stateAt(pass)), settingsIn(pass), pass, frame);
	return frame;
}

void ScriptedBoardCamera::process(int pass, cv::Mat& frame)
{
	processing->reduceNoise(pass, frame, [this](int earlier) { return sensedIn(earlier); });
	processing->send(frame);
}

bool ScriptedBoardCamera::scaleExposure(double factor)
{
	if (!linear || !(factor > 0.0))
	{
		return false;
	}
	exposureAsked *= factor;
	return true;
}

void ScriptedBoardCamera::showProjector(const SceneState& state)
{
	if (!lamp->knows(state))
	{
		lamp->learn(state, sheetOf(state), poseOf(script.views[size_t(state.view)]));
	}
}

void ScriptedBoardCamera::lightByProjector(cv::Mat& frame, const SceneState& state)
{
	showProjector(state);
	lamp->light(frame, state);
}

const cv::Mat& ScriptedBoardCamera::frameOfPass(int pass)
{
	const SceneState state = script.stateAt(pass);
	if (!linear)
	{
		return render(state);
	}
	developed = sensedIn(pass);
	process(pass, developed);
	return developed;
}

SheetImage ScriptedBoardCamera::sheetOf(const SceneState& state)
{
	SyntheticBoardCamera& drawn = mapCamera(state.map);
	SheetImage sheet = drawn.sheet();
	if (state.hand)
	{
		sheet.image = sheet.image.clone();
		drawHand(sheet, drawn, cv::Point2f(state.palm), script.hand);
	}
	return sheet;
}

const Photographer& ScriptedBoardCamera::photographerAt(int view)
{
	std::unique_ptr<Photographer>& made = photographers[view];
	if (!made)
	{
		// Every map's sheet has the same size and scale.
		const SyntheticBoardCamera& geometry = mapCamera(0);
		made = std::make_unique<Photographer>(camera, poseOf(script.views[size_t(view)]), geometry.sheet(),
			geometry.boardPixelsToMm(), script.photography, linear);
	}
	return *made;
}

const cv::Mat& ScriptedBoardCamera::render(const SceneState& state)
{
	const auto kept = frames.find(state);
	if (kept != frames.end())
	{
		return kept->second;
	}
	rendered += 1;
	return frames[state] = photographerAt(state.view).photograph(sheetOf(state).image);
}

const cv::Mat& ScriptedBoardCamera::focalPlane(const SceneState& state)
{
	uses += 1;
	const auto kept = focalPlanes.find(state);
	if (kept != focalPlanes.end())
	{
		kept->second.lastUse = uses;
		return kept->second.image;
	}
	const cv::Mat image = photographerAt(state.view).focus(sheetOf(state).image);
	const size_t bytes = image.total() * image.elemSize();
	// The least lately used go first; the new one is always kept.
	while (!focalPlanes.empty() && focalBytes + bytes > focalPlaneBudget)
	{
		const auto oldest = std::min_element(focalPlanes.begin(), focalPlanes.end(),
			[](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
		focalBytes -= oldest->second.image.total() * oldest->second.image.elemSize();
		focalPlanes.erase(oldest);
	}
	rendered += 1;
	focalBytes += bytes;
	FocalPlane& plane = focalPlanes[state];
	plane.image = image;
	plane.lastUse = uses;
	return plane.image;
}

SyntheticBoardCamera& ScriptedBoardCamera::mapCamera(int map)
{
	std::unique_ptr<SyntheticBoardCamera>& made = mapCameras[map];
	if (!made)
	{
		made = std::make_unique<SyntheticBoardCamera>(
			board, portal, camera, script.maps[size_t(map)], poseOf(script.views.front()));
	}
	return *made;
}
