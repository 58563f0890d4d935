#pragma once

#include "platform/FrameSource.h"

#include <opencv2/core.hpp>

#include <functional>
#include <string>
#include <utility>

/// A camera whose every frame is made afresh from the pass it is read in.
class MadeFrames : public FrameSource
{
public:
	explicit MadeFrames(std::function<cv::Mat(int)> make) : make(std::move(make)) {}
	bool isOpened() const override { return true; }
	bool read(cv::Mat& frame) override
	{
		frame = make(++reads);
		return true;
	}
	bool pacesItself() const override { return false; }
	cv::Size frameSize() const override { return cv::Size(640, 480); }
	std::string describe() const override { return "made frames"; }

private:
	std::function<cv::Mat(int)> make;
	int reads = 0;
};
