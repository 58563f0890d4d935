#pragma once

#include "platform/CameraFrameSource.h"

#include <opencv2/videoio.hpp>

#include <functional>
#include <map>
#include <utility>
#include <vector>

/// A camera device as OpenCV's capture shows it, for the camera seam. It
/// records every property asked of it, in order, and answers as one of three
/// cameras: one that takes what it is asked, one that says yes and goes on as
/// before, and one that refuses. Its frames come from a function of the read's
/// number; it can be unplugged and plugged in again.
class FakeCapture : public cv::VideoCapture
{
public:
	enum Kind
	{
		Takes,
		Ignores,
		Fails
	};

	FakeCapture(Kind kind, std::function<cv::Mat(int)> frames) : kind(kind), frames(std::move(frames)) {}

	using cv::VideoCapture::open;
	bool open(int index, int api) override
	{
		opened = plugged && index >= 0 && api == cv::CAP_V4L2;
		opens += 1;
		return opened;
	}
	bool isOpened() const override { return opened; }
	void release() override { opened = false; }

	bool read(cv::OutputArray image) override
	{
		if (!opened || !plugged)
		{
			return false;
		}
		frames(reads++).copyTo(image);
		return true;
	}

	bool set(int property, double value) override
	{
		asked.emplace_back(property, value);
		if (kind == Takes)
		{
			values[property] = value;
		}
		return kind != Fails;
	}

	double get(int property) const override
	{
		const auto set = values.find(property);
		if (set != values.end())
		{
			return set->second;
		}
		// A camera that refuses has no light controls to say.
		const bool light = property == cv::CAP_PROP_AUTO_EXPOSURE || property == cv::CAP_PROP_EXPOSURE
			|| property == cv::CAP_PROP_AUTO_WB || property == cv::CAP_PROP_WB_TEMPERATURE;
		if (kind == Fails && light)
		{
			return -1.0;
		}
		const auto own = ownValues.find(property);
		return own != ownValues.end() ? own->second : -1.0;
	}

	/// What was asked with `property`, in order.
	std::vector<double> askedOf(int property) const
	{
		std::vector<double> found;
		for (const auto& [p, value] : asked)
		{
			if (p == property)
			{
				found.push_back(value);
			}
		}
		return found;
	}

	const Kind kind;
	std::function<cv::Mat(int)> frames;
	bool plugged = true;
	bool opened = false;
	int opens = 0;
	int reads = 0;
	std::vector<std::pair<int, double>> asked;
	/// What the camera was set to (a camera that takes them).
	std::map<int, double> values;
	/// What it gives of itself: 640 x 480 raw frames at 30 a second, its
	/// automatic exposure (aperture priority) and white balance on.
	std::map<int, double> ownValues = {
		{cv::CAP_PROP_FRAME_WIDTH, 640.0},
		{cv::CAP_PROP_FRAME_HEIGHT, 480.0},
		{cv::CAP_PROP_FPS, 30.0},
		{cv::CAP_PROP_FOURCC, fourccValue(rawFormat)},
		{cv::CAP_PROP_AUTO_EXPOSURE, 3.0},
		{cv::CAP_PROP_EXPOSURE, 156.0},
		{cv::CAP_PROP_AUTO_WB, 1.0},
		{cv::CAP_PROP_WB_TEMPERATURE, 4600.0},
	};
};

/// A camera source over a fake capture that stays reachable: `fake` is owned
/// by the source.
struct FakeCamera
{
	FakeCamera(FakeCapture::Kind kind, std::function<cv::Mat(int)> frames, DeviceSettings settings = quick(),
		bool pluggedIn = true)
	{
		auto capture = std::make_unique<FakeCapture>(kind, std::move(frames));
		capture->plugged = pluggedIn;
		fake = capture.get();
		source = std::make_unique<CameraFrameSource>(0, std::move(settings), std::move(capture));
	}

	/// Looked for again at every read, without waiting; asking for the
	/// demo's 640 x 480 at 30 a second, so that no camera's list is needed.
	static DeviceSettings quick()
	{
		DeviceSettings settings;
		settings.asked = CameraMode{cv::Size(640, 480), 30.0, ""};
		settings.keepLooking = true;
		settings.retrySeconds = 0.0;
		settings.idleWait = std::chrono::milliseconds(0);
		settings.offered = [](int) { return std::vector<CameraMode>(); };
		return settings;
	}

	FakeCapture* fake = nullptr;
	std::unique_ptr<CameraFrameSource> source;
};
