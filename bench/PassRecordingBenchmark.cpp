#include "PassRig.h"

#include <optional>

namespace
{

/// A camera gives a frame every 33 ms, and the writer needs 10 to 20 ms for a
/// pair: at the camera's pace the queue is empty when a pass starts. This is
/// what a pass costs the main loop then; BM_PassAtCameraPace is the same
/// without recording.
void BM_PassRecording(benchmark::State& state)
{
	PassRig(100, true).run(state, true);
}
BENCHMARK(BM_PassRecording)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PassAtCameraPace(benchmark::State& state)
{
	PassRig(100, false).run(state, true);
}
BENCHMARK(BM_PassAtCameraPace)->Unit(benchmark::kMillisecond)->UseRealTime();

/// Passes faster than the writer can encode: the queue fills and the main
/// loop waits for the writer, so this is the speed of the PNG encoding.
void BM_PassRecordingBackToBack(benchmark::State& state)
{
	PassRig(100, true).run(state);
}
BENCHMARK(BM_PassRecordingBackToBack)->Unit(benchmark::kMillisecond)->UseRealTime();

/// A webcam at 1280 x 720 or 1920 x 1080 (sensor noise, JPEG frames), or the
/// demo's camera at 640 x 480 (sensor noise, raw frames), giving 30 or 60 frames a
/// second: passes without recording, with the PNG pairs (--record frames),
/// and with the lossless camera video (--record video). The passes keep the
/// camera's pace while they stay under 33 ms. "MB_a_minute" is what the
/// recording leaves on the disk in a minute at that pace.
enum Recording
{
	NotRecording,
	RecordingFrames,
	RecordingVideo
};

void BM_PassWebcam(benchmark::State& state)
{
	const cv::Size size = state.range(0) == 480 ? cv::Size() : state.range(0) == 720 ? cv::Size(1280, 720) : cv::Size(1920, 1080);
	const auto recording = Recording(state.range(1));
	PassRig rig(100, recording != NotRecording, false, size);
	if (recording == RecordingVideo)
	{
		rig.app->recorder().setSettings({RecordMode::Video, std::nullopt});
	}
	rig.runAtCameraPace(state, double(state.range(2)));
}
/// 60 frames a second is a webcam's at its larger sizes only.
void webcamSettings(benchmark::internal::Benchmark* bench)
{
	for (const int fps : {30, 60})
	{
		for (const int height : {480, 720, 1080})
		{
			for (const int recording : {NotRecording, RecordingFrames, RecordingVideo})
			{
				if (fps == 30 || height != 480)
				{
					bench->Args({height, recording, fps});
				}
			}
		}
	}
}
BENCHMARK(BM_PassWebcam)
	->ArgNames({"height", "recording", "fps"})
	->Apply(webcamSettings)
	->MinTime(3.0)
	->Unit(benchmark::kMillisecond)
	->UseRealTime();

}  // namespace
