#pragma once

#include "platform/FrameSource.h"

#include <opencv2/videoio.hpp>

/// Frames from an OpenCV capture: a camera device, a video file or an image sequence.
class CaptureFrameSource : public FrameSource
{
public:
	/// Opens camera device `index`.
	CaptureFrameSource(int index, std::string name);

	/// Opens a video file or an image-sequence pattern.
	CaptureFrameSource(const std::string& path, std::string name);

	bool isOpened() const override { return capture.isOpened(); }
	bool read(cv::Mat& frame) override;
	bool pacesItself() const override { return isDevice; }
	double framesPerSecond() const override;
	cv::Size frameSize() const override;
	std::string describe() const override { return name; }
	bool scaleExposure(double factor) override;

private:
	cv::VideoCapture capture;
	std::string name;
	bool isDevice;
};
