#include "tracking/BoardScanner.h"

#include <chrono>
#include <cstdio>
#include <thread>

/// Sleep of a pass while the camera is not open.
static constexpr std::chrono::milliseconds idleWait(2);

bool BoardScanner::sceneMoved(const ExpectedLight& projected)
{
	if (!capture->isOpened())
	{
		std::this_thread::sleep_for(idleWait);
		return false;
	}
	cv::Mat frame;
	// A live camera that is looked for again is told of by the application.
	if (!capture->read(frame) && !missingFrameReported && capture->presence() == CameraPresence::Delivering)
	{
		// A video at its end fails every pass from now on; one line says so,
		// and the game goes on.
		missingFrameReported = true;
		std::fprintf(stderr, "%s: no frame came (the camera stopped or the video ended); the game goes on without a camera picture\n",
			capture->describe().c_str());
	}
	latestFrame = frame.clone();
	CellPicture now(latestFrame);
	reading = compareCellPictures(now, referenceCells, projected);
	if (!reading.moved)
	{
		return false;
	}
	lastMotion = latestFrame.clone();
	reference = latestFrame.clone();
	referenceCells = std::move(now);
	return true;
}

bool frameDiffers(const cv::Mat& current, const cv::Mat& reference, const cv::Mat& ignored)
{
	return compareCellPictures(CellPicture(current, ignored), CellPicture(reference, ignored)).moved;
}
