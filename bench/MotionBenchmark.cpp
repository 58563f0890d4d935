#include "tracking/CellPicture.h"
#include "tracking/MotionTest.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

namespace
{

/// The motion test of one pass: the camera frame reduced to its cells and
/// compared with the reference's (reduced once, when the reference is taken).
/// A noisy frame of a board under a lamp that flickers, at the frame size of
/// the argument's height.
void BM_MotionTest(benchmark::State& state)
{
	const int height = int(state.range(0));
	const cv::Size size(height * 16 / 9 > 640 ? height * 16 / 9 : 640, height);
	cv::Mat reference(size, CV_8UC3, cv::Scalar(225, 230, 235));
	cv::rectangle(reference, cv::Rect(size.width / 4, size.height / 4, size.width / 8, size.height / 8),
		cv::Scalar::all(30), cv::FILLED);
	cv::Mat noise(size, CV_8UC3);
	cv::randn(noise, cv::Scalar::all(0), cv::Scalar::all(3));
	cv::Mat frame = reference * 0.93 + noise;
	const CellPicture then(reference);
	for (auto _ : state)
	{
		const MotionReading reading = compareCellPictures(CellPicture(frame), then);
		benchmark::DoNotOptimize(reading.moved);
	}
}
BENCHMARK(BM_MotionTest)->ArgName("height")->Arg(480)->Arg(720)->Arg(1080)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
