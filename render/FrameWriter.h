#pragma once

#include <opencv2/core.hpp>

#include <array>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/// Writes images into files on a thread of its own, so that the caller does
/// not wait for the encoding. Files are written in the order they were given,
/// each exactly as cv::imwrite would write it. The queue is bounded: when it
/// is full, `write` waits for room rather than dropping an image. Everything
/// queued is written before the writer is destroyed.
class FrameWriter
{
public:
	/// `onFailure` runs on the writer's thread for each file that could not be
	/// written.
	FrameWriter(std::size_t capacity, std::function<void()> onFailure);
	~FrameWriter();

	FrameWriter(const FrameWriter&) = delete;
	FrameWriter& operator=(const FrameWriter&) = delete;

	/// Queue `image` for the file at `path`; the format follows the path's
	/// extension. The pixels are shared, not copied: nobody may change them
	/// afterwards. An image handed over again (the same pixels) is not encoded
	/// again.
	void write(std::string path, cv::Mat image);

	/// Wait until every queued image is in its file.
	void finish();

private:
	struct Job
	{
		std::string path;
		cv::Mat image;
	};

	/// An encoded image, kept so that the same pixels are not encoded twice.
	/// Holding the image keeps its pixels alive, so no other image can take
	/// their place in memory.
	struct Encoded
	{
		cv::Mat image;
		std::vector<uchar> bytes;
	};

	void work();
	bool writeFile(const Job& job);
	const std::vector<uchar>& encoded(const Job& job);

	const std::size_t capacity;
	const std::function<void()> onFailure;

	std::mutex mutex;
	std::condition_variable changed;
	std::deque<Job> queue;
	/// The writer has taken a job off the queue and not finished it.
	bool busy = false;
	bool stopping = false;

	/// Used by the writer's thread only. Two, because frames come in pairs.
	std::array<Encoded, 2> recent;
	std::size_t nextRecent = 0;

	/// Last, so that it starts after everything it uses.
	std::thread thread;
};
