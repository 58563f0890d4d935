#include "DemoBoard.h"
#include "Folders.h"
#include "render/PlayView.h"

#include <benchmark/benchmark.h>

namespace
{

/// The demo's scan of its board, camera pixels to board pixels, at 640 x 480.
const cv::Matx33d demoCameraToBoard(1.40027005, -0.0803262784, -128.047069, 0.000285869122, 1.36093939, -100.865934,
	1.88046778e-07, -0.000250737611, 1.0);
const cv::Rect2d demoDrawingArea(122.884628, 122.820541, 393.230728, 233.358963);

/// A crowded game on the demo board: a hundred balls, sensors lit and
/// glowing, the portal, crates, planks and flying shards, the celebration,
/// and every line of words.
PlayScene crowdedGame(cv::Size frameSize)
{
	PlayScene scene;
	std::unique_ptr<FrameSource> camera = demoCamera(Photography(), frameSize);
	camera->read(scene.cameraFrame);
	scene.boardInView = true;
	// The camera's pixels scale with its frame size, the board's do not.
	scene.cameraToBoard = demoCameraToBoard * cv::Matx33d(640.0 / frameSize.width, 0, 0, 0, 480.0 / frameSize.height, 0, 0, 0, 1);
	scene.drawingArea = demoDrawingArea;
	for (int i = 0; i < 100; ++i)
	{
		scene.balls.push_back({b2Vec2(4.0f + 3.5f * float(i % 10), 5.0f - 2.0f * float(i / 10)), 1.0f, 0.1f * float(i)});
	}
	for (int i = 0; i < 3; ++i)
	{
		PlaySensor sensor;
		sensor.position = b2Vec2(8.0f + 10.0f * float(i), -12.0f);
		sensor.radius = 1.0f;
		sensor.litAfter = i == 0 ? 9.0 : i == 1 ? 1.0 : sensor.litAfter;
		scene.sensors.push_back(sensor);
	}
	scene.portals.push_back({{27.3f, -16.3f}, {52.3f, -16.3f}, {52.3f, 7.9f}, {27.3f, 7.9f}});
	for (int i = 0; i < 5; ++i)
	{
		const float x = 5.0f + 6.0f * float(i);
		scene.boxes.push_back({{{x, 8.0f}, {x + 2.0f, 8.0f}, {x + 2.0f, 10.0f}, {x, 10.0f}}, {0.0f, -2.0f}});
	}
	for (int i = 0; i < 20; ++i)
	{
		const float x = 30.0f + 0.5f * float(i);
		scene.debris.push_back({{{x, -2.0f}, {x + 0.2f, -2.0f}, {x + 0.2f, -1.8f}, {x, -1.8f}}, {-3.0f, 5.0f}});
	}
	scene.planks = {{{2.0f, -14.0f}, {12.0f, -16.0f}}, {{14.0f, -15.0f}, {24.0f, -13.0f}}, {{3.0f, 6.0f}, {9.0f, 4.0f}}};
	PlayStatus& status = scene.status;
	status = {12, 2, 3, 9.5, true, 8.7, 8.7, false, true, true, "Show the whole board to the camera: 4 of 6 markers seen"};
	return scene;
}

/// The play view drawn once a pass, for camera frames of the argument's size.
void BM_PlayView(benchmark::State& state)
{
	enterSourceFolder();
	const PlayScene scene = crowdedGame(cv::Size(int(state.range(0)), int(state.range(1))));
	PlayView view(windowShapedLike(scene.drawingArea, 960));
	for (auto _ : state)
	{
		benchmark::DoNotOptimize(view.draw(scene).data);
	}
}
BENCHMARK(BM_PlayView)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
