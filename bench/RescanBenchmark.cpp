#include "DemoBoard.h"
#include "Folders.h"

#include <benchmark/benchmark.h>

namespace
{

/// One whole rescan of the demo board, from the board scan to the sensor
/// circles. After the first, which made the map, every rescan finds the same
/// map and rebuilds its walls.
void BM_Rescan(benchmark::State& state)
{
	enterSourceFolder();
	const std::unique_ptr<Application> app = scannedDemo();
	for (auto _ : state)
	{
		app->rescan();
		state.PauseTiming();
		// The walls the rescan replaced go, as at the next pass.
		app->scene.flush();
		state.ResumeTiming();
	}
}
BENCHMARK(BM_Rescan)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
