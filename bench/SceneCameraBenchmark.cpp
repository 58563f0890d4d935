#include "Folders.h"
#include "platform/HeadlessDisplay.h"
#include "scenes/ScriptedBoardCamera.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <string>

// The synthetic camera's cost: a read of a state already rendered (what every
// pass of a still scene pays) and the rendering of a new state (what a pass
// pays when the hand moves), in the old order and in linear light, at
// 640 x 480 and 1920 x 1080.

namespace
{

const char* const drawing = "map a\n"
							"ring black 185 190 28 4\n"
							"ring lemon 250 265 28 4\n"
							"stroke black 4 160 222 376 325\n"
							"portal 500 240\n";

/// The webcam of each benchmark, by its number.
std::string cameraOf(int kind, int width)
{
	const std::string size = width == 640 ? "" : " size 1920 1080";
	switch (kind)
	{
	case 0:  // the old order
		return "camera noise 3 jpeg 80" + size + "\n";
	case 1:  // linear light: everything a home adds
		return "camera noise 3 jpeg 80 grain fresh flicker 0.07 bands 0.05 90" + size
			+ "\nshadow band 120 420 380 200 100\npatch half 430 240 0 temperature 2700\nglare 300 170 8\n";
	default:  // an honest projector, showing a picture
		return "camera noise 3 jpeg 80" + size + "\nprojector 700 0 0 focal 2000 room 0.85 brightness 150 honest\n";
	}
}

const char* const kinds[] = {"old order", "linear light", "honest projector"};

std::unique_ptr<ScriptedBoardCamera> sceneCamera(int kind, int width, const std::string& timeline)
{
	enterSourceFolder();
	SceneScript script;
	std::string error;
	if (!parseSceneScript(cameraOf(kind, width) + drawing + timeline, "bench.scene", script, error))
	{
		throw std::runtime_error(error);
	}
	BoardCameraFiles files;
	if (!readBoardCameraFiles("Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", files, error))
	{
		throw std::runtime_error(error);
	}
	return std::make_unique<ScriptedBoardCamera>(script, files.board, files.portal, files.camera);
}

/// A read of a still board, its state rendered already.
void BM_SceneRead(benchmark::State& state)
{
	const int kind = int(state.range(0));
	auto camera = sceneCamera(kind, int(state.range(1)), "");
	HeadlessDisplay display;
	if (camera->projector() != nullptr)
	{
		// A green picture on the projector, as the game's.
		display.show("projector", cv::Mat(800, 1280, CV_8UC3, cv::Scalar(60, 200, 40)));
		camera->projector()->watch(display);
	}
	cv::Mat frame;
	camera->read(frame);
	for (auto _ : state)
	{
		camera->read(frame);
		benchmark::DoNotOptimize(frame.data);
	}
	state.SetLabel(kinds[kind]);
}
BENCHMARK(BM_SceneRead)
	->ArgsProduct({{0, 1, 2}, {640, 1920}})
	->ArgNames({"kind", "width"})
	->Unit(benchmark::kMillisecond)
	->UseRealTime();

/// A read of a new state: the hand has moved. The first read, which finds
/// where the frame's samples lie on the sheet, is not timed.
void BM_SceneRender(benchmark::State& state)
{
	const int kind = int(state.range(0));
	std::string timeline = "at 2 hand 300 400\n";
	for (int pass = 3; pass < 400; ++pass)
	{
		timeline += "at " + std::to_string(pass) + " hand glide 300 " + std::to_string(400 - pass / 2) + "\n";
	}
	auto camera = sceneCamera(kind, int(state.range(1)), timeline);
	cv::Mat frame;
	camera->read(frame);
	for (auto _ : state)
	{
		camera->read(frame);
		benchmark::DoNotOptimize(frame.data);
	}
	state.SetLabel(kinds[kind]);
}
BENCHMARK(BM_SceneRender)
	->ArgsProduct({{0, 1}, {640, 1920}})
	->ArgNames({"kind", "width"})
	->Unit(benchmark::kMillisecond)
	->UseRealTime()
	->Iterations(6);

}  // namespace
