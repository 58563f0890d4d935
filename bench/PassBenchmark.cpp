#include "PassRig.h"

namespace
{

void BM_Pass(benchmark::State& state)
{
	PassRig(100, false).run(state);
}
BENCHMARK(BM_Pass)->Unit(benchmark::kMillisecond)->UseRealTime();

/// The same pass projecting the game onto the board: the bodies' outlines
/// mapped into projector pixels and drawn, the camera pixels they light marked
/// for the motion test, the picture shown. BM_Pass runs beside it in the same run.
void BM_PassProjecting(benchmark::State& state)
{
	PassRig(100, false, true).run(state);
}
BENCHMARK(BM_PassProjecting)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PassScale(benchmark::State& state)
{
	PassRig(int(state.range(0)), false).run(state);
}
BENCHMARK(BM_PassScale)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

/// A pass with the players' window drawn, against the same pass without it
/// (the described windows alone), at the demo camera's 640 x 480 and a
/// webcam's 1280 x 720: the play view rectifies the camera picture into its
/// window and draws the game over it. Run together, the medians compare.
void BM_PassWithPlayView(benchmark::State& state)
{
	const cv::Size frameSize = state.range(0) == 480 ? cv::Size() : cv::Size(1280, 720);
	const WindowSet windows = state.range(1) ? WindowSet::All : WindowSet::Described;
	PassRig(100, false, false, frameSize, windows).run(state);
}
BENCHMARK(BM_PassWithPlayView)
	->ArgNames({"height", "play"})
	->ArgsProduct({{480, 720}, {0, 1}})
	->Repetitions(5)
	->ReportAggregatesOnly(true)
	->Unit(benchmark::kMillisecond)
	->UseRealTime();

}  // namespace
