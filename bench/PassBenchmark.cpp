#include "app/Application.h"
#include "physics/BodyFactories.h"
#include "render/HeadlessDisplay.h"
#include "tracking/StillFrameSource.h"

#include <benchmark/benchmark.h>

namespace
{

/// A started program on a still camera picture, headless.
std::unique_ptr<Application> startedApplication()
{
	cv::Mat picture(480, 640, CV_8UC3, cv::Scalar(200, 200, 200));
	auto app = std::make_unique<Application>(std::make_unique<StillFrameSource>(picture),
		std::make_unique<HeadlessDisplay>());
	app->start();
	return app;
}

/// Balls on a floor of wall edges, so they collide, roll and are drawn.
void populate(Application& app, int balls, int wallEdges)
{
	std::vector<b2Vec2> floor;
	for (int i = 0; i <= wallEdges; ++i)
	{
		floor.emplace_back(-10.0f + 64.0f * float(i) / float(wallEdges), -20.0f + 0.5f * float(i % 2));
	}
	createWallChain(floor, app.scene);
	for (int i = 0; i < balls; ++i)
	{
		createBall(app.scene, -8.0f + float(i % 30) * 2.0f, 15.0f - float(i / 30) * 2.5f, 1.0f);
	}
}

/// One ordinary pass (no rescan) with moving bodies and many wall edges.
void BM_Pass(benchmark::State& state)
{
	auto app = startedApplication();
	populate(*app, int(state.range(0)), 2000);
	for (auto _ : state)
	{
		app->runPass();
	}
}
BENCHMARK(BM_Pass)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
