#include "render/FrameWriter.h"

#include "platform/ThreadPriority.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>

/// A job's turn to rename its file, as writeWholeFile takes it, and what the
/// writer does in it: a failure is judged there, so that no later file is
/// renamed before the writer knows whether to go on.
class FrameWriter::Turn
{
public:
	Turn(FrameWriter& writer, const Job& job) : writer(writer), job(job) {}

	RenameTurn renameTurn()
	{
		return RenameTurn{[this] { return await(); }, [this](const std::error_code& error) { pass(error); }};
	}

	bool await()
	{
		awaited = true;
		std::unique_lock<std::mutex> lock(writer.mutex);
		writer.turnPassed.wait(lock, [this] { return writer.renameDue == job.number || writer.givenUp; });
		return !writer.givenUp;
	}

	void pass(const std::error_code& error)
	{
		passed = true;
		told = error;
		writer.judge(job, error);
		std::lock_guard<std::mutex> lock(writer.mutex);
		writer.renameDue = std::max(writer.renameDue, job.number + 1);
		writer.turnPassed.notify_all();
	}

	/// After the file write: the turn taken and passed if the write did not,
	/// and what the write said after passing it judged too.
	void finish(const std::error_code& error)
	{
		if (!awaited)
		{
			await();
		}
		if (!passed)
		{
			pass(error);
		}
		else if (error != told)
		{
			writer.judge(job, error);
		}
	}

	/// Something other than an error code was thrown: the recording stops,
	/// said in one line.
	void stopFor(const std::string& what)
	{
		if (!awaited)
		{
			await();
		}
		std::lock_guard<std::mutex> judging(writer.judging);
		if (!writer.givenUp)
		{
			std::fprintf(stderr, "%s: %s; recording stops, the frames before it are kept\n", job.path.c_str(),
				what.c_str());
		}
		std::lock_guard<std::mutex> lock(writer.mutex);
		writer.giveUp();
		writer.renameDue = std::max(writer.renameDue, job.number + 1);
		writer.turnPassed.notify_all();
	}

private:
	FrameWriter& writer;
	const Job& job;
	bool awaited = false;
	bool passed = false;
	/// What the pass was told.
	std::error_code told;
};

unsigned FrameWriter::defaultThreads()
{
	return std::max(1u, std::thread::hardware_concurrency()) + 1;
}

FrameWriter::FrameWriter(std::size_t capacity, FailureHandler onFailure, FileWrite writeFile, unsigned threadCount)
	: capacity(capacity), onFailure(std::move(onFailure)), fileWrite(std::move(writeFile))
{
	for (unsigned i = 0; i < std::max(1u, threadCount); ++i)
	{
		threads.emplace_back(&FrameWriter::work, this);
	}
}

FrameWriter::~FrameWriter()
{
	{
		std::lock_guard<std::mutex> lock(mutex);
		stopping = true;
	}
	jobGiven.notify_all();
	for (std::thread& thread : threads)
	{
		thread.join();
	}
}

void FrameWriter::write(std::string path, FrozenImage image)
{
	const auto start = std::chrono::steady_clock::now();
	std::unique_lock<std::mutex> lock(mutex);
	jobDone.wait(lock, [this] { return queue.size() < capacity || givenUp; });
	waitedForRoom += std::chrono::steady_clock::now() - start;
	if (givenUp)
	{
		return;
	}
	// The extension, dot included, picks the format, as in imwrite.
	const std::size_t dot = path.rfind('.');
	const std::string extension = dot == std::string::npos ? std::string() : path.substr(dot);
	// Kept in the order of last use: in a still scene each pair repeats its
	// first image, which stays while every new second image replaces the
	// older entry.
	const auto same = [&](const std::shared_ptr<Encoding>& e) {
		return e && e->image.isSameCopy(image) && e->extension == extension;
	};
	bool encodes = false;
	if (same(recent[1]))
	{
		std::swap(recent[0], recent[1]);
	}
	else if (!same(recent[0]))
	{
		recent[1] = std::move(recent[0]);
		recent[0] = std::make_shared<Encoding>();
		recent[0]->image = std::move(image);
		recent[0]->extension = extension;
		encodes = true;
	}
	queue.push_back(Job{std::move(path), recent[0], encodes, nextNumber++});
	lock.unlock();
	jobGiven.notify_one();
}

void FrameWriter::finish()
{
	std::unique_lock<std::mutex> lock(mutex);
	jobDone.wait(lock, [this] { return queue.empty() && busy == 0; });
}

void FrameWriter::work()
{
	// The main loop comes first: encoding uses what it leaves of the cores.
	lowerThisThreadsPriority();
	std::unique_lock<std::mutex> lock(mutex);
	while (true)
	{
		jobGiven.wait(lock, [this] { return !queue.empty() || stopping; });
		// What is queued is written even when stopping.
		if (queue.empty())
		{
			return;
		}
		const Job job = std::move(queue.front());
		queue.pop_front();
		busy += 1;
		lock.unlock();
		jobDone.notify_all();  // room in the queue

		writeInTurn(job);

		lock.lock();
		busy -= 1;
		jobDone.notify_all();  // perhaps finished
	}
}

void FrameWriter::writeInTurn(const Job& job)
{
	// Nothing may leave this thread: an exception would end the program
	// without the frames before it written. What the writer cannot say in an
	// error code stops the recording with one line.
	Turn turn(*this, job);
	try
	{
		std::error_code error;
		try
		{
			const std::vector<uchar>& bytes = encoded(job);
			error = fileWrite(job.path, bytes, turn.renameTurn());
			if (!error)
			{
				writtenBytes += bytes.size();
			}
		}
		catch (const cv::Exception&)
		{
			error = std::make_error_code(std::errc::invalid_argument);
		}
		turn.finish(error);
	}
	catch (const std::exception& failure)
	{
		turn.stopFor(failure.what());
	}
	catch (...)
	{
		turn.stopFor("an unknown failure");
	}
}

const std::vector<uchar>& FrameWriter::encoded(const Job& job)
{
	Encoding& encoding = *job.encoding;
	if (job.encodes)
	{
		std::vector<uchar> bytes;
		bool failed = false;
		try
		{
			bytes = encoding.image.encode(encoding.extension);
			encodingCount += 1;
		}
		catch (...)
		{
			failed = true;
		}
		std::lock_guard<std::mutex> lock(mutex);
		encoding.bytes = std::move(bytes);
		encoding.failed = failed;
		encoding.done = true;
		turnPassed.notify_all();
	}
	else
	{
		std::unique_lock<std::mutex> lock(mutex);
		turnPassed.wait(lock, [&] { return encoding.done; });
	}
	if (encoding.failed)
	{
		throw cv::Exception(cv::Error::StsError, "cannot encode " + encoding.extension, __func__, __FILE__, __LINE__);
	}
	return encoding.bytes;
}

void FrameWriter::judge(const Job& job, const std::error_code& error)
{
	if (!error)
	{
		return;
	}
	std::lock_guard<std::mutex> one(judging);
	// A file given up after the writer stopped is no news.
	if (givenUp || !onFailure || onFailure(job.path, error))
	{
		return;
	}
	std::lock_guard<std::mutex> lock(mutex);
	giveUp();
}

void FrameWriter::giveUp()
{
	givenUp = true;
	queue.clear();
	// Called under the lock: whoever waits for room, a turn or the end goes on.
	jobDone.notify_all();
	turnPassed.notify_all();
}
