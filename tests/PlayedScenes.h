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
