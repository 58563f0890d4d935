#include "DemoBoard.h"
#include "Folders.h"

#include "analysis/BoardColours.h"
#include "analysis/HandDetection.h"
#include "analysis/HandWatch.h"

#include <benchmark/benchmark.h>

namespace
{

/// The rescan's hand test on the demo board read as neutral: 0, skin colour
/// alone (its share and its verdict, as the rescan once asked them), 1 the
/// hand watch that the rescan asks now.
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
		if (state.range(0) == 0)
		{
			benchmark::DoNotOptimize(skinShare(colours));
			benchmark::DoNotOptimize(handInView(colours));
		}
		else
		{
			benchmark::DoNotOptimize(watch.look(colours, board));
		}
	}
}
BENCHMARK(BM_HandTest)->ArgName("watch")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
