#include "render/FrameWriter.h"

#include <cstdio>
#include <exception>
#include <utility>

FrameWriter::FrameWriter(std::size_t capacity, FailureHandler onFailure, FileWrite writeFile)
	: capacity(capacity), onFailure(std::move(onFailure)), fileWrite(std::move(writeFile)),
	  thread(&FrameWriter::work, this)
{
}

FrameWriter::~FrameWriter()
{
	{
		std::lock_guard<std::mutex> lock(mutex);
		stopping = true;
	}
	changed.notify_all();
	thread.join();
}

void FrameWriter::write(std::string path, FrozenImage image)
{
	std::unique_lock<std::mutex> lock(mutex);
	changed.wait(lock, [this] { return queue.size() < capacity || givenUp; });
	if (givenUp)
	{
		return;
	}
	queue.push_back({std::move(path), std::move(image)});
	lock.unlock();
	changed.notify_all();
}

void FrameWriter::finish()
{
	std::unique_lock<std::mutex> lock(mutex);
	changed.wait(lock, [this] { return queue.empty() && !busy; });
}

void FrameWriter::work()
{
	std::unique_lock<std::mutex> lock(mutex);
	while (true)
	{
		changed.wait(lock, [this] { return !queue.empty() || stopping; });
		// What is queued is written even when stopping.
		if (queue.empty())
		{
			return;
		}
		const Job job = std::move(queue.front());
		queue.pop_front();
		busy = true;
		lock.unlock();
		changed.notify_all();  // room in the queue

		const bool goOn = writeOrSay(job);

		lock.lock();
		busy = false;
		if (!goOn)
		{
			givenUp = true;
			queue.clear();
		}
		changed.notify_all();  // perhaps finished, or given up
	}
}

bool FrameWriter::writeOrSay(const Job& job)
{
	// Nothing may leave this thread: an exception would end the program
	// without the frames before it written. What the writer cannot say in an
	// error code stops the recording with one line.
	try
	{
		const std::error_code error = writeFile(job);
		return !error || !onFailure || onFailure(job.path, error);
	}
	catch (const std::exception& failure)
	{
		std::fprintf(stderr, "%s: %s; recording stops, the frames before it are kept\n", job.path.c_str(),
			failure.what());
	}
	catch (...)
	{
		std::fprintf(stderr, "%s: an unknown failure; recording stops, the frames before it are kept\n",
			job.path.c_str());
	}
	return false;
}

std::error_code FrameWriter::writeFile(const Job& job)
{
	try
	{
		return fileWrite(job.path, encoded(job));
	}
	catch (const cv::Exception&)
	{
		return std::make_error_code(std::errc::invalid_argument);
	}
}

const std::vector<uchar>& FrameWriter::encoded(const Job& job)
{
	// The extension, dot included, picks the format, as in imwrite.
	const std::size_t dot = job.path.rfind('.');
	const std::string extension = dot == std::string::npos ? std::string() : job.path.substr(dot);
	// Kept in the order of last use: in a still scene each pair repeats its
	// first image, which stays while every new second image replaces the
	// older entry.
	if (!(recent[0].image.isSameCopy(job.image) && recent[0].extension == extension))
	{
		std::swap(recent[0], recent[1]);
		if (!(recent[0].image.isSameCopy(job.image) && recent[0].extension == extension))
		{
			recent[0] = Encoded{job.image, extension, job.image.encode(extension)};
			encodingCount += 1;
		}
	}
	return recent[0].bytes;
}
