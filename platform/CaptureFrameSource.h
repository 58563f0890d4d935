#pragma once

#include "platform/FrameSource.h"

#include <opencv2/videoio.hpp>

/// Frames from a video file or an image sequence, through an OpenCV capture.
/// (A camera device is a CameraFrameSource.)
class CaptureFrameSource : public FrameSource
{
public:
	/// Opens a video file or an image-sequence pattern.
	CaptureFrameSource(const std::string& path, std::string name);

	bool isOpened() const override { return capture.isOpened(); }
	bool read(cv::Mat& frame) override;
	bool pacesItself() const override { return false; }
	double framesPerSecond() const override;
	cv::Size frameSize() const override;
	std::string describe() const override { return name; }

private:
	cv::VideoCapture capture;
	std::string name;
};
