#pragma once

#include "TestSupport.h"

#include "scenes/ScriptedBoardCamera.h"
#include "scenes/ScriptedInputDisplay.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

/// The shipped board with the demo's drawing on it, as the synthetic camera
/// photographs it from `pose`.
inline cv::Mat demoBoardPicture(const CameraPose& pose = viewOfBoard(480, 10, 0))
{
	std::string error;
	const auto camera = SyntheticBoardCamera::fromFiles(
		"Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", demoDrawing(), pose, error);
	EXPECT_TRUE(camera) << error;
	return camera ? camera->picture().clone() : cv::Mat();
}

/// The straight-down demo board with its top-left and top-right markers
/// swapped: every marker is found, but no pose of one flat board fits them all.
inline cv::Mat demoBoardWithSwappedMarkers()
{
	std::string error;
	const auto straight = SyntheticBoardCamera::fromFiles("Data/camera_para.dat", "Data/markers/marker.dat",
		"Data/markers/portal.dat", demoDrawing(), viewOfBoard(480, 0, 0), error);
	EXPECT_TRUE(straight) << error;
	if (!straight)
	{
		return cv::Mat();
	}
	cv::Mat swapped = straight->picture().clone();
	const cv::Point2f topLeft = straight->truth().cornerCentres[0], topRight = straight->truth().cornerCentres[1];
	const cv::Rect left(cv::Point(topLeft) - cv::Point(36, 36), cv::Size(72, 72));
	const cv::Rect right(cv::Point(topRight) - cv::Point(36, 36), cv::Size(72, 72));
	const cv::Mat leftPatch = swapped(left).clone();
	swapped(right).copyTo(swapped(left));
	leftPatch.copyTo(swapped(right));
	return swapped;
}

/// The demo board as demoBoardPicture shows it, with a hand lying on the
/// drawing, its palm at board point (330, 270).
inline cv::Mat demoBoardWithHand()
{
	std::string error;
	auto camera = SyntheticBoardCamera::fromFiles("Data/camera_para.dat", "Data/markers/marker.dat",
		"Data/markers/portal.dat", demoDrawing(), viewOfBoard(480, 10, 0), error);
	EXPECT_TRUE(camera) << error;
	BoardCameraFiles files;
	if (!camera || !readBoardCameraFiles(
		"Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", files, error))
	{
		ADD_FAILURE() << error;
		return cv::Mat();
	}
	SheetImage sheet = camera->sheet();
	sheet.image = sheet.image.clone();
	drawHand(sheet, *camera, cv::Point2f(330.0f, 270.0f));
	return SyntheticBoardCamera(sheet, files.board, files.camera, viewOfBoard(480, 10, 0)).picture().clone();
}

/// A started headless program playing a scene file as `--source scene:FILE`
/// does (its keys and clicks included), in this process, every pass's record
/// kept; its headless display takes the test's own keys as well.
struct PlayedScene
{
	explicit PlayedScene(const std::string& sceneFile, WindowSet windows = WindowSet::All)
	{
		::testing::internal::CaptureStdout();
		std::string error;
		std::unique_ptr<ScriptedBoardCamera> camera = ScriptedBoardCamera::fromFiles(
			sceneFile, "Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", error);
		EXPECT_TRUE(camera) << error;
		auto headless = std::make_unique<HeadlessDisplay>();
		display = headless.get();
		auto scripted = std::make_unique<ScriptedInputDisplay>(std::move(headless), camera->scene());
		app = std::make_unique<Application>(std::move(camera), std::move(scripted));
		app->setWindows(windows);
		app->trace().addSink([this](const PassRecord& record) { passes.push_back(record); });
		app->start();
		::testing::internal::GetCapturedStdout();
	}

	/// The demo's scene with `lines` added at its end.
	static std::unique_ptr<PlayedScene> demoWith(const std::string& lines, const std::string& file)
	{
		std::ifstream demo("Data/scenes/demo.scene");
		std::ofstream(file) << demo.rdbuf() << "\n" << lines;
		return std::make_unique<PlayedScene>(file);
	}

	void run(int count)
	{
		::testing::internal::CaptureStdout();
		::testing::internal::CaptureStderr();
		for (int i = 0; i < count; ++i)
		{
			app->runPass();
		}
		::testing::internal::GetCapturedStderr();
		::testing::internal::GetCapturedStdout();
	}

	/// The record of pass `pass` (from 1).
	const PassRecord& pass(int number) const { return passes.at(std::size_t(number - 1)); }

	HeadlessDisplay* display = nullptr;
	std::unique_ptr<Application> app;
	std::vector<PassRecord> passes;
};
