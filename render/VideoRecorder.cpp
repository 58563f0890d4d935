#include "render/VideoRecorder.h"

#include "platform/ThreadPriority.h"

#include <opencv2/core/utils/logger.hpp>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

namespace
{

/// Frames that may wait for each video; beyond that the caller waits.
constexpr std::size_t queuedFrames = 4;

/// HuffYUV keeps 8-bit BGR exactly (OpenCV hands it RGB, not a subsampled
/// YUV), and it encodes a 1920 x 1080 frame in about 12 ms; FFV1, smaller,
/// takes over 150 ms through OpenCV.
const int losslessCodec = cv::VideoWriter::fourcc('H', 'F', 'Y', 'U');

}  // namespace

/// One video's thread: it runs the frames' writes in order. A write that
/// throws, or says false, stops the track with one line.
class VideoRecorder::Track
{
public:
	using Write = std::function<bool()>;

	explicit Track(std::function<void()> close) : closeVideo(std::move(close)), thread(&Track::work, this) {}

	~Track()
	{
		{
			std::lock_guard<std::mutex> lock(mutex);
			stopping = true;
		}
		changed.notify_all();
		thread.join();
	}

	/// Queue a write; waits for room. Dropped once the track has stopped.
	void add(Write write)
	{
		std::unique_lock<std::mutex> lock(mutex);
		changed.wait(lock, [this] { return queue.size() < queuedFrames || stopped; });
		if (!stopped)
		{
			queue.push_back(std::move(write));
			changed.notify_all();
		}
	}

	void finish()
	{
		std::unique_lock<std::mutex> lock(mutex);
		changed.wait(lock, [this] { return queue.empty() && !busy; });
	}

	/// Finish, then close the video on the track's thread (a write that says
	/// false stops the track).
	void close()
	{
		add([] { return false; });
		finish();
	}

	bool hasStopped()
	{
		std::lock_guard<std::mutex> lock(mutex);
		return stopped;
	}

private:
	void work()
	{
		// The main loop comes first: encoding uses what it leaves of the cores.
		lowerThisThreadsPriority();
		std::unique_lock<std::mutex> lock(mutex);
		while (true)
		{
			changed.wait(lock, [this] { return !queue.empty() || stopping; });
			if (queue.empty())
			{
				return;
			}
			const Write write = std::move(queue.front());
			queue.pop_front();
			busy = true;
			lock.unlock();
			changed.notify_all();
			bool goOn = false;
			try
			{
				goOn = write();
			}
			catch (const std::exception& failure)
			{
				std::fprintf(stderr, "a recorded video stops: %s\n", failure.what());
			}
			if (!goOn)
			{
				closeVideo();
			}
			lock.lock();
			busy = false;
			if (!goOn)
			{
				stopped = true;
				queue.clear();
			}
			changed.notify_all();
		}
	}

	std::function<void()> closeVideo;
	std::mutex mutex;
	std::condition_variable changed;
	std::deque<Write> queue;
	bool busy = false;
	bool stopped = false;
	bool stopping = false;
	/// Last, so that it starts after everything it uses.
	std::thread thread;
};

VideoRecorder::VideoRecorder(const std::string& folder, double framesPerSecond, std::function<void()> afterFrame)
	: folder(folder), framesPerSecond(framesPerSecond), afterFrame(std::move(afterFrame))
{
	cameraTrack = std::make_unique<Track>([this] { cameraVideo.release(); });
	gameTrack = std::make_unique<Track>([this] { gameVideo.close(); });
}

VideoRecorder::~VideoRecorder()
{
	close();
}

void VideoRecorder::record(const cv::Mat& cameraFrame, const cv::Mat& painted, const cv::Mat& game)
{
	const auto start = std::chrono::steady_clock::now();
	if (!cameraFrame.empty())
	{
		const FrozenImage frame(cameraFrame);
		cameraTrack->add([this, frame] {
			const cv::Mat& pixels = frame.view();
			if (!cameraVideo.isOpened())
			{
				const std::string path = cameraFile(folder);
				// OpenCV's own words on a failure would repeat ours.
				const cv::utils::logging::LogLevel level = cv::utils::logging::getLogLevel();
				cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
				const bool opened = pixels.type() == CV_8UC3
					&& cameraVideo.open(path, cv::CAP_FFMPEG, losslessCodec, framesPerSecond, pixels.size());
				cv::utils::logging::setLogLevel(level);
				if (!opened)
				{
					std::fprintf(stderr, "%s: cannot write a lossless video here (OpenCV's FFmpeg writer with HuffYUV is needed); use --record frames\n",
						path.c_str());
					return false;
				}
				cameraSize = pixels.size();
			}
			if (pixels.size() != cameraSize || pixels.type() != CV_8UC3)
			{
				std::fprintf(stderr, "%s: the camera's frames changed size to %d x %d; the camera video stops there\n",
					cameraFile(folder).c_str(), pixels.cols, pixels.rows);
				return false;
			}
			cameraVideo.write(pixels);
			if (afterFrame)
			{
				afterFrame();
			}
			return true;
		});
	}
	const FrozenImage left(painted);
	const FrozenImage right(game);
	gameTrack->add([this, left, right] {
		if (!gameVideo.isOpen())
		{
			std::string error;
			if (!gameVideo.open(gameFile(folder), error, framesPerSecond))
			{
				std::fprintf(stderr, "%s\n", error.c_str());
				return false;
			}
		}
		gameVideo.addFrame(left.view(), right.view());
		return true;
	});
	waitedForRoom += std::chrono::steady_clock::now() - start;
}

void VideoRecorder::finish()
{
	cameraTrack->finish();
	gameTrack->finish();
}

void VideoRecorder::close()
{
	cameraTrack->close();
	gameTrack->close();
}

bool VideoRecorder::hasStopped() const
{
	return cameraTrack->hasStopped() && gameTrack->hasStopped();
}

std::uint64_t VideoRecorder::bytesWritten() const
{
	std::uint64_t bytes = 0;
	for (const std::string& path : {cameraFile(folder), gameFile(folder)})
	{
		std::error_code ignored;
		const std::uintmax_t size = std::filesystem::file_size(path, ignored);
		bytes += ignored ? 0 : std::uint64_t(size);
	}
	return bytes;
}
