#include "platform/CaptureFrameSource.h"

#include "platform/CameraFrameSource.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <thread>

CaptureFrameSource::CaptureFrameSource(const std::string& path, std::string name)
	: capture(path), name(std::move(name))
{
}

bool CaptureFrameSource::read(cv::Mat& frame)
{
	if (!capture.read(frame))
	{
		frame.release();
		return false;
	}
	return true;
}

cv::Size CaptureFrameSource::frameSize() const
{
	if (!capture.isOpened())
	{
		return cv::Size();
	}
	return cv::Size(int(capture.get(cv::CAP_PROP_FRAME_WIDTH)), int(capture.get(cv::CAP_PROP_FRAME_HEIGHT)));
}

double CaptureFrameSource::framesPerSecond() const
{
	const double rate = capture.isOpened() ? capture.get(cv::CAP_PROP_FPS) : 0.0;
	return rate > 0.0 && rate < 1000.0 ? rate : 0.0;
}

namespace
{

class PacedFrameSource : public FrameSource
{
public:
	PacedFrameSource(std::unique_ptr<FrameSource> source, double framesPerSecond)
		: source(std::move(source)),
		  rate(framesPerSecond),
		  interval(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / framesPerSecond))),
		  next(Clock::now())
	{
	}

	bool isOpened() const override { return source->isOpened(); }

	bool read(cv::Mat& frame) override
	{
		std::this_thread::sleep_until(next);
		// A late frame does not make the next ones come faster.
		next = std::max(next + interval, Clock::now());
		return source->read(frame);
	}

	bool pacesItself() const override { return source->pacesItself(); }
	double framesPerSecond() const override { return rate; }
	cv::Size frameSize() const override { return source->frameSize(); }
	std::string describe() const override { return source->describe(); }

private:
	using Clock = std::chrono::steady_clock;
	std::unique_ptr<FrameSource> source;
	double rate;
	Clock::duration interval;
	Clock::time_point next;
};

}  // namespace

SourceName parseSourceName(const std::string& where)
{
	const std::string devicePrefix = "device:";
	const std::string filePrefix = "file:";
	const std::string scenePrefix = "scene:";
	SourceName name;
	if (where.compare(0, devicePrefix.size(), devicePrefix) == 0)
	{
		const std::string index = where.substr(devicePrefix.size());
		if (!index.empty() && index.size() <= 4 && index.find_first_not_of("0123456789") == std::string::npos)
		{
			name.kind = SourceName::Device;
			name.deviceIndex = std::stoi(index);
		}
	}
	else if (where == "demo")
	{
		name.kind = SourceName::Demo;
	}
	else if (where.compare(0, filePrefix.size(), filePrefix) == 0 && where.size() > filePrefix.size())
	{
		name.kind = SourceName::File;
		name.path = where.substr(filePrefix.size());
	}
	else if (where.compare(0, scenePrefix.size(), scenePrefix) == 0 && where.size() > scenePrefix.size())
	{
		name.kind = SourceName::Scene;
		name.path = where.substr(scenePrefix.size());
	}
	return name;
}

std::unique_ptr<FrameSource> openFrameSource(const std::string& where)
{
	const SourceName name = parseSourceName(where);
	switch (name.kind)
	{
	case SourceName::Device:
		return std::make_unique<CameraFrameSource>(name.deviceIndex, DeviceSettings());
	case SourceName::File:
		return std::make_unique<CaptureFrameSource>(name.path, where);
	case SourceName::Demo:
	case SourceName::Scene:
	case SourceName::Invalid:
		break;
	}
	return nullptr;
}

std::unique_ptr<FrameSource> pacedFrameSource(std::unique_ptr<FrameSource> source, double framesPerSecond)
{
	return std::make_unique<PacedFrameSource>(std::move(source), framesPerSecond);
}
