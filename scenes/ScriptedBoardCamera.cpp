#include "scenes/ScriptedBoardCamera.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

CameraPose poseOf(const CameraView& view)
{
	return viewOfBoard(view.distance, view.tilt, view.turn, view.target);
}

}  // namespace

ScriptedBoardCamera::ScriptedBoardCamera(
	SceneScript script, ARMultiMarkerInfoT board, ARMultiMarkerInfoT portal, ARParam camera)
	: script(std::move(script)), board(std::move(board)), portal(std::move(portal)), camera(camera)
{
	if (this->script.hasProjector)
	{
		lamp = std::make_unique<SimulatedProjector>(this->script.projector, camera);
	}
}

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
	// The main loop may draw on the frame it gets; the kept one stays clean.
	frame = frameOfPass(passCount).clone();
	if (lamp)
	{
		lightByProjector(frame, script.stateAt(passCount));
	}
	return true;
}

void ScriptedBoardCamera::lightByProjector(cv::Mat& frame, const SceneState& state)
{
	if (!lamp->knows(state))
	{
		SyntheticBoardCamera& drawn = mapCamera(state.map);
		SheetImage sheet = drawn.sheet();
		if (state.hand)
		{
			sheet.image = sheet.image.clone();
			drawHand(sheet, drawn, cv::Point2f(state.palm));
		}
		lamp->learn(state, sheet, poseOf(script.views[size_t(state.view)]));
	}
	lamp->light(frame, state);
}

const cv::Mat& ScriptedBoardCamera::frameOfPass(int pass)
{
	return render(script.stateAt(pass));
}

const cv::Mat& ScriptedBoardCamera::render(const SceneState& state)
{
	const auto kept = frames.find(state);
	if (kept != frames.end())
	{
		return kept->second;
	}
	SyntheticBoardCamera& drawn = mapCamera(state.map);
	SheetImage sheet = drawn.sheet();
	if (state.hand)
	{
		sheet.image = sheet.image.clone();
		drawHand(sheet, drawn, cv::Point2f(state.palm));
	}
	const CameraView& view = script.views[size_t(state.view)];
	const SyntheticBoardCamera photographer(sheet, board, camera, poseOf(view), script.photography);
	return frames[state] = photographer.picture();
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

void drawHand(SheetImage& sheet, const SyntheticBoardCamera& geometry, cv::Point2f palm)
{
	// A skin tone with Cr about 166 and Cb about 96, well inside the skin
	// range, and dark enough in blue that a hand coming in is camera motion.
	const cv::Scalar skin(90, 130, 200);
	const int shift = 4;
	const auto at = [&](cv::Point2f boardPixel) {
		const cv::Point2d p = sheet.toPixel(geometry.boardToMm(boardPixel)) * double(1 << shift);
		return cv::Point(int(std::lround(p.x)), int(std::lround(p.y)));
	};
	const double sheetPerBoard = cv::norm(sheet.toPixel(geometry.boardToMm({1.0f, 0.0f}))
		- sheet.toPixel(geometry.boardToMm({0.0f, 0.0f})));
	const auto width = [&](float boardPixels) { return std::max(1, int(std::lround(boardPixels * sheetPerBoard))); };
	// Shapes are given for a scale of 1 and drawn larger: a hand that comes in
	// must change the picture by more than the motion threshold.
	const float scale = 1.3f;
	const auto limb = [&](cv::Point2f from, cv::Point2f to, float thickness) {
		cv::line(sheet.image, at(palm + from * scale), at(palm + to * scale), skin, width(thickness * scale),
			cv::LINE_AA, shift);
	};

	// The forearm comes in from below the board, slightly from the right.
	limb({0.0f, 0.0f}, {90.0f, 500.0f}, 120.0f);
	cv::circle(sheet.image, at(palm), int(std::lround(58.0 * scale * sheetPerBoard * (1 << shift))), skin,
		cv::FILLED, cv::LINE_AA, shift);
	const cv::Point2f fingerTips[4] = {{-50.0f, -105.0f}, {-16.0f, -122.0f}, {18.0f, -118.0f}, {50.0f, -98.0f}};
	for (const cv::Point2f& tip : fingerTips)
	{
		limb({tip.x * 0.6f, -25.0f}, tip, 23.0f);
	}
	limb({-40.0f, 12.0f}, {-105.0f, -25.0f}, 25.0f);
}
