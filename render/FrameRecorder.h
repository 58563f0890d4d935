#pragma once

#include "render/FrameWriter.h"

#include <opencv2/core.hpp>

#include <memory>

/// Writes every pass's two pictures as numbered PNG files into the folder
/// "video" of the working directory: video/rawN.png, the camera frame of the
/// last motion, and video/gameN.png, the camera picture with the game painted
/// in. The folder is never created: without it nothing is recorded (and that
/// is said once). The files are encoded and written on a thread of their own,
/// in order.
class FrameRecorder
{
public:
	/// Write this pass's pair under the next number. The number advances even
	/// when nothing could be written.
	void recordFrame(const cv::Mat& motionFrame, const cv::Mat& cameraFrame);

	/// Wait until every recorded frame is in its file.
	void finish();

	/// The number of the next pair.
	int recordIndex = 0;

private:
	/// Started by the first frame to record.
	std::unique_ptr<FrameWriter> writer;
};
