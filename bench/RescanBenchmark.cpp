#include "DemoBoard.h"
#include "Folders.h"

#include "analysis/BoardColours.h"

#include <benchmark/benchmark.h>

namespace
{

/// A warm, dim, unevenly lit room, whose board the rescan must map to a
/// neutral room's colours before it can read it.
Photography warmDimRoom()
{
	Photography room;
	room.light.cast = colourTemperatureCast(3000.0);
	room.light.exposure = 0.7;
	room.light.gradient = 0.2;
	room.light.vignetting = 0.25;
	room.noise = 3.0;
	room.jpegQuality = 80;
	return room;
}

/// One whole rescan of the demo board, from the board scan to the sensor
/// circles. After the first, which made the map, every rescan finds the same
/// map and rebuilds its walls. Arguments: the room (0 the demo's neutral
/// light, 1 a warm dim one) and whether the colours are read as neutral, so
/// that one run shows what that costs.
void BM_Rescan(benchmark::State& state)
{
	enterSourceFolder();
	const std::unique_ptr<Application> app = scannedDemo(state.range(0) == 0 ? Photography() : warmDimRoom());
	app->setReadColoursAsNeutral(state.range(1) != 0);
	for (auto _ : state)
	{
		app->rescan();
		state.PauseTiming();
		// The walls the rescan replaced go, as at the next pass.
		app->scene().flush();
		state.ResumeTiming();
	}
}
BENCHMARK(BM_Rescan)
	->ArgNames({"room", "neutralised"})
	->Args({0, 1})
	->Args({0, 0})
	->Args({1, 1})
	->Args({1, 0})
	->Unit(benchmark::kMillisecond)
	->UseRealTime()
	->MeasureProcessCPUTime();

/// Reading one rectified board's colours as neutral: measuring its paper
/// (room 0, the demo's neutral light, stops there) and mapping it (room 1).
void BM_ReadColoursAsNeutral(benchmark::State& state)
{
	enterSourceFolder();
	const std::unique_ptr<Application> app = scannedDemo(state.range(0) == 0 ? Photography() : warmDimRoom());
	RectifiedBoard board;
	app->scanner().scanBoard(board);
	for (auto _ : state)
	{
		benchmark::DoNotOptimize(normaliseBoardColours(board));
	}
}
BENCHMARK(BM_ReadColoursAsNeutral)->ArgName("room")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
