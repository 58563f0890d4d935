#include "sound/SoundMixer.h"
#include "sound/Synthesisers.h"

#include <benchmark/benchmark.h>

namespace
{

/// What SDL's thread asks of the mixer every 11 ms: a buffer of 512 samples
/// with `voices` sounds playing at once (16 is the most it keeps).
void BM_MixABuffer(benchmark::State& state)
{
	const auto chime = std::make_shared<const Samples>(chimeSound(880.0));
	SoundMixer mixer(SoundClock::Device);
	Samples buffer(512);
	for (auto _ : state)
	{
		state.PauseTiming();
		mixer.silence();
		for (int i = 0; i < state.range(0); ++i)
		{
			mixer.play(chime, 0.5f);
		}
		state.ResumeTiming();
		mixer.fill(buffer.data(), int(buffer.size()));
		benchmark::DoNotOptimize(buffer.data());
	}
}
BENCHMARK(BM_MixABuffer)->Arg(1)->Arg(4)->Arg(16);

/// Making a sound: done once for each note, the first time a sensor chimes it.
void BM_MakeAChime(benchmark::State& state)
{
	for (auto _ : state)
	{
		benchmark::DoNotOptimize(chimeSound(880.0).data());
	}
}
BENCHMARK(BM_MakeAChime)->Unit(benchmark::kMicrosecond);

}  // namespace
