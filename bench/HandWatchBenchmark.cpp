#include "DemoBoard.h"
#include "Folders.h"

#include "analysis/BoardColours.h"
#include "analysis/HandWatch.h"

#include <benchmark/benchmark.h>

namespace
{

/// The rescan's hand test, the hand watch, on the demo board read as neutral.
void BM_HandTest(benchmark::State& state)
{
	enterSourceFolder();
	const std::unique_ptr<Application> app = scannedDemo();
	RectifiedBoard board;
	app->scanner().scanBoard(board);
	const cv::Mat colours = normaliseBoardColours(board);
	HandWatch watch;
	for (auto _ : state)
	{
		benchmark::DoNotOptimize(watch.look(colours, board));
	}
}
BENCHMARK(BM_HandTest)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
