#pragma once

#include "platform/WholeFile.h"
#include "render/FrozenImage.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

/// Writes images into files on threads of its own, so that the caller does
/// not wait for the encoding: several images are encoded and written at once,
/// and each file is put under its name in the order the images were given
/// (RenameTurn), so that the files on the disk are always those of the first
/// images given, whole. A PNG file decodes to the image's pixels exactly.
/// The queue is bounded: when it is full, `write` waits for room rather than
/// dropping an image. Everything queued is written before the writer is
/// destroyed, unless the failure handler has told it to give up.
class FrameWriter
{
public:
	/// Puts the bytes of one file on the disk, renaming it in `turn`: no
	/// error, or why not. One that does not use the turn is given it after.
	using FileWrite = std::function<std::error_code(
		const std::string& path, const std::vector<uchar>& bytes, const RenameTurn& turn)>;

	/// Told, on a writer's thread and one at a time, of each file that could
	/// not be written, in the order of the files (a folder flush that fails
	/// after the file's rename, as it comes); returns whether to go on with
	/// the next ones.
	using FailureHandler = std::function<bool(const std::string& path, const std::error_code& error)>;

	/// `writeFile` is how the encoded bytes reach the disk; the program writes
	/// each file whole (writeWholeFile). `threads` encode and write at once.
	FrameWriter(std::size_t capacity, FailureHandler onFailure, FileWrite writeFile, unsigned threads = defaultThreads());
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
	/// the last two given is written from the same encoding, so a still scene,
	/// whose pairs repeat their first image, costs one encoding a pair.
	long encodings() const { return encodingCount; }

	/// Bytes put on the disk so far.
	std::uint64_t bytesWritten() const { return writtenBytes; }

	/// How long `write` has waited for room in the queue, in all.
	std::chrono::steady_clock::duration waited() const { return waitedForRoom; }

	/// One thread a core and one more, which encodes while the others wait
	/// for the disk.
	static unsigned defaultThreads();

private:
	/// An image's file contents, made by the first job that has it.
	struct Encoding
	{
		FrozenImage image;
		std::string extension;
		std::vector<uchar> bytes;
		/// Set under the lock once `bytes` is made, or could not be.
		bool done = false;
		bool failed = false;
	};

	struct Job
	{
		std::string path;
		std::shared_ptr<Encoding> encoding;
		/// This job makes the encoding; the others wait for it.
		bool encodes;
		/// Files are renamed in this order.
		long number;
	};

	class Turn;

	void work();
	void writeInTurn(const Job& job);
	/// The job's bytes: encoded here, or made by an earlier job. Throws
	/// cv::Exception when the image cannot be encoded.
	const std::vector<uchar>& encoded(const Job& job);
	/// Tell the handler of `error` (none, or the file's failure), and give up
	/// when it says so.
	void judge(const Job& job, const std::error_code& error);
	void giveUp();

	const std::size_t capacity;
	const FailureHandler onFailure;
	const FileWrite fileWrite;

	std::mutex mutex;
	/// Held while a failure is judged, so that the handler is told one at a
	/// time and nothing after giving up. Taken before `mutex`, never after.
	std::mutex judging;
	/// Woken one at a time for each job given, all for the end.
	std::condition_variable jobGiven;
	/// The caller waits on it for room, and for the writer to finish.
	std::condition_variable jobDone;
	/// Writers wait on it for their turn or for an encoding another makes.
	std::condition_variable turnPassed;
	std::deque<Job> queue;
	/// Jobs taken off the queue and not finished.
	int busy = 0;
	bool stopping = false;
	/// The number of the next job given, and of the file whose rename is due.
	long nextNumber = 0;
	long renameDue = 0;
	/// The encodings of the last two images given, the latest first.
	std::array<std::shared_ptr<Encoding>, 2> recent;
	/// Set on a writer's thread, read on the caller's without the lock.
	std::atomic<bool> givenUp{false};
	std::atomic<long> encodingCount{0};
	std::atomic<std::uint64_t> writtenBytes{0};
	/// Used on the caller's thread only.
	std::chrono::steady_clock::duration waitedForRoom{};

	/// Last, so that they start after everything they use.
	std::vector<std::thread> threads;
};
