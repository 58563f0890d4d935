#pragma once

#include "platform/FrameSource.h"

/// Delivers the same picture on every read: a camera over a scene where
/// nothing moves. An empty picture gives empty frames.
class StillFrameSource : public FrameSource
{
public:
	explicit StillFrameSource(cv::Mat picture) : picture(std::move(picture)) {}

	bool isOpened() const override { return true; }

	bool read(cv::Mat& frame) override
	{
		frame = picture;
		return !picture.empty();
	}

	bool pacesItself() const override { return false; }
	cv::Size frameSize() const override { return picture.size(); }
	std::string describe() const override { return "still picture"; }

	/// What the next reads deliver.
	cv::Mat picture;
};
