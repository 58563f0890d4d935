#include "render/FrameWriter.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>

FrameWriter::FrameWriter(std::size_t capacity, std::function<void()> onFailure)
	: capacity(capacity), onFailure(std::move(onFailure)), thread(&FrameWriter::work, this)
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

void FrameWriter::write(std::string path, cv::Mat image)
{
	std::unique_lock<std::mutex> lock(mutex);
	changed.wait(lock, [this] { return queue.size() < capacity; });
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

		const bool written = writeFile(job);
		if (!written && onFailure)
		{
			onFailure();
		}

		lock.lock();
		busy = false;
		changed.notify_all();  // perhaps finished
	}
}

bool FrameWriter::writeFile(const Job& job)
{
	try
	{
		const std::vector<uchar>& bytes = encoded(job);
		std::FILE* file = std::fopen(job.path.c_str(), "wb");
		if (file == nullptr)
		{
			return false;
		}
		const bool complete = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
		return std::fclose(file) == 0 && complete;
	}
	catch (const cv::Exception&)
	{
		return false;
	}
}

const std::vector<uchar>& FrameWriter::encoded(const Job& job)
{
	for (const Encoded& earlier : recent)
	{
		const cv::Mat& image = earlier.image;
		if (image.data == job.image.data && image.size == job.image.size && image.type() == job.image.type() &&
			image.step == job.image.step)
		{
			return earlier.bytes;
		}
	}
	Encoded& slot = recent[nextRecent];
	nextRecent = (nextRecent + 1) % recent.size();
	slot.image = cv::Mat();
	// The extension, dot included, picks the format, as in imwrite.
	const std::size_t dot = job.path.rfind('.');
	const std::string extension = dot == std::string::npos ? std::string() : job.path.substr(dot);
	if (!cv::imencode(extension, job.image, slot.bytes))
	{
		throw cv::Exception(cv::Error::StsError, "cannot encode", __func__, __FILE__, __LINE__);
	}
	slot.image = job.image;
	return slot.bytes;
}
