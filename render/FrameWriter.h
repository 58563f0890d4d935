#pragma once

#include "render/FrozenImage.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

/// Writes images into files on a thread of its own, so that the caller does
/// not wait for the encoding. Files are written in the order they were given,
/// each with the bytes cv::imwrite would write. The queue is bounded: when it
/// is full, `write` waits for room rather than dropping an image. Everything
/// queued is written before the writer is destroyed, unless the failure
/// handler has told it to give up.
class FrameWriter
{
public:
	/// Puts the bytes of one file on the disk: no error, or why not.
	using FileWrite = std::function<std::error_code(const std::string& path, const std::vector<uchar>& bytes)>;

	/// Told, on the writer's thread, of each file that could not be written;
	/// returns whether to go on with the next ones.
	using FailureHandler = std::function<bool(const std::string& path, const std::error_code& error)>;

	/// `writeFile` is how the encoded bytes reach the disk; the program writes
	/// each file whole (writeWholeFile).
	FrameWriter(std::size_t capacity, FailureHandler onFailure, FileWrite writeFile);
	~FrameWriter();

	FrameWriter(const FrameWriter&) = delete;
	FrameWriter& operator=(const FrameWriter&) = delete;

	/// Queue `image` for the file at `path`; the format follows the path's
	/// extension. Does nothing once the writer has given up.
	void write(std::string path, FrozenImage image);

	/// Wait until every queued image is in its file, or dropped.
	void finish();

	/// True once the failure handler said not to go on: what was queued then
	/// and whatever comes later is dropped.
	bool hasGivenUp() const { return givenUp; }

	/// Images encoded so far. An image handed over again while it is one of
	/// the last two used is written from the bytes already encoded, so a still
	/// scene, whose pairs repeat their first image, costs one encoding a pair.
	long encodings() const { return encodingCount; }

private:
	struct Job
	{
		std::string path;
		FrozenImage image;
	};

	/// An encoded image, kept so that the same copy is not encoded twice.
	struct Encoded
	{
		FrozenImage image;
		std::string extension;
		std::vector<uchar> bytes;
	};

	void work();
	/// Write the job; false when the recording stops (the failure handler
	/// says so, or something was thrown, which is said here).
	bool writeOrSay(const Job& job);
	std::error_code writeFile(const Job& job);
	const std::vector<uchar>& encoded(const Job& job);

	const std::size_t capacity;
	const FailureHandler onFailure;
	const FileWrite fileWrite;

	std::mutex mutex;
	std::condition_variable changed;
	std::deque<Job> queue;
	/// The writer has taken a job off the queue and not finished it.
	bool busy = false;
	bool stopping = false;
	/// Set on the writer's thread, read on the caller's without the lock.
	std::atomic<bool> givenUp{false};
	std::atomic<long> encodingCount{0};

	/// Used by the writer's thread only; the most recently used first.
	std::array<Encoded, 2> recent;

	/// Last, so that it starts after everything it uses.
	std::thread thread;
};
