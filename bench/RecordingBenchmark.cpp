#include "DemoBoard.h"
#include "Folders.h"
#include "render/PngEncoding.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <filesystem>
#include <map>

// What one recorded picture costs: the PNG encoders and the lossless video,
// on the frames of the demo's camera at 640 x 480 (its sensor noise, no
// compression) and of a webcam at 1280 x 720 and 1920 x 1080 (sensor noise,
// JPEG frames). The counter "MB" is the size of one encoded picture.

namespace
{

/// A camera frame of the demo board, made once for each size.
const cv::Mat& cameraFrame(int height)
{
	static std::map<int, cv::Mat> made;
	cv::Mat& frame = made[height];
	if (frame.empty())
	{
		enterSourceFolder();
		const std::unique_ptr<FrameSource> camera = height == 480
			? demoCamera()
			: demoCamera(webcamAtHighDefinition(), height == 720 ? cv::Size(1280, 720) : cv::Size(1920, 1080));
		camera->read(frame);
	}
	return frame;
}

enum Encoder
{
	OpenCv,
	NoFilter,
	UpFilter,
	NoFilterLevel2,
};

/// One PNG file of a camera frame: cv::imencode as the program used it, and
/// encodePng with each filter.
void BM_EncodePng(benchmark::State& state)
{
	const cv::Mat& frame = cameraFrame(int(state.range(0)));
	const auto encoder = Encoder(state.range(1));
	std::size_t size = 0;
	for (auto _ : state)
	{
		std::vector<uchar> bytes;
		switch (encoder)
		{
		case OpenCv:
			cv::imencode(".png", frame, bytes);
			break;
		case NoFilter:
			bytes = encodePng(frame, PngSettings{PngSettings::None, 1});
			break;
		case UpFilter:
			bytes = encodePng(frame, PngSettings{PngSettings::Up, 1});
			break;
		case NoFilterLevel2:
			bytes = encodePng(frame, PngSettings{PngSettings::None, 2});
			break;
		}
		size = bytes.size();
		benchmark::DoNotOptimize(bytes.data());
	}
	state.counters["MB"] = double(size) / 1e6;
}
BENCHMARK(BM_EncodePng)
	->ArgNames({"height", "encoder"})
	->ArgsProduct({{480, 720, 1080}, {OpenCv, NoFilter, UpFilter, NoFilterLevel2}})
	->Unit(benchmark::kMillisecond);

/// One frame into the lossless camera video (HuffYUV) and into FFV1, as
/// OpenCV's FFmpeg writer makes them; "MB" is a frame's share of the file.
void BM_EncodeLosslessVideo(benchmark::State& state)
{
	const cv::Mat& frame = cameraFrame(int(state.range(0)));
	const int codec = state.range(1) == 0 ? cv::VideoWriter::fourcc('H', 'F', 'Y', 'U') : cv::VideoWriter::fourcc('F', 'F', 'V', '1');
	enterScratchFolder(false);
	long frames = 0;
	{
		cv::VideoWriter video("lossless.avi", cv::CAP_FFMPEG, codec, 30.0, frame.size());
		if (!video.isOpened())
		{
			state.SkipWithError("no FFmpeg writer for the codec");
			return;
		}
		for (auto _ : state)
		{
			video.write(frame);
			frames += 1;
		}
	}
	state.counters["MB"] = double(std::filesystem::file_size("lossless.avi")) / 1e6 / double(std::max(1L, frames));
	std::filesystem::remove("lossless.avi");
}
BENCHMARK(BM_EncodeLosslessVideo)
	->ArgNames({"height", "ffv1"})
	->ArgsProduct({{480, 720, 1080}, {0, 1}})
	->Unit(benchmark::kMillisecond);

}  // namespace
