#include "tracking/BoardScanner.h"

#include <chrono>
#include <cstdio>
#include <thread>

/// Mean absolute difference per pixel, in grey levels of channel 0, above which
/// a frame counts as moved.
static constexpr double motionThreshold = 10.0;

/// The difference sum is divided by this whatever the frame size (640 x 480).
static constexpr double pixelCount = 307200.0;

/// Sleep of a pass while the camera is not open.
static constexpr std::chrono::milliseconds idleWait(2);

/// The sum of channel 0 over the image. For 8-bit pixels it is taken from that
/// channel alone, which costs far less than summing every channel; the sum of
/// whole numbers is exact either way.
static double channelZeroSum(const cv::Mat& image)
{
	if (image.depth() != CV_8U || image.channels() == 1)
	{
		return cv::sum(image)[0];
	}
	cv::Mat channel;
	cv::extractChannel(image, channel, 0);
	return cv::norm(channel, cv::NORM_L1);
}

/// The same, over the pixels not set in `ignored`.
static double channelZeroSum(const cv::Mat& image, const cv::Mat& ignored)
{
	cv::Mat channel;
	cv::extractChannel(image, channel, 0);
	channel.setTo(0, ignored);
	return cv::sum(channel)[0];
}

bool BoardScanner::sceneMoved()
{
	if (!capture->isOpened())
	{
		std::this_thread::sleep_for(idleWait);
		return false;
	}
	cv::Mat frame;
	if (!capture->read(frame) && !missingFrameReported)
	{
		// A camera unplugged or a video at its end fails every pass from now
		// on; one line says so, and the game goes on.
		missingFrameReported = true;
		std::fprintf(stderr, "%s: no frame came (the camera stopped or the video ended); the game goes on without a camera picture\n",
			capture->describe().c_str());
	}
	latestFrame = frame.clone();
	if (!frameDiffers(latestFrame, reference, ignoredInMotion))
	{
		return false;
	}
	lastMotion = latestFrame.clone();
	reference = latestFrame.clone();
	return true;
}

bool frameDiffers(cv::Mat current, cv::Mat reference, const cv::Mat& ignored)
{
	if (current.empty() || reference.empty())
	{
		return true;
	}
	// absdiff refuses images of different size or type; such a change of
	// camera is motion.
	if (current.size != reference.size || current.type() != reference.type())
	{
		return true;
	}
	cv::Mat difference;
	cv::absdiff(current, reference, difference);
	const bool masked = !ignored.empty() && ignored.type() == CV_8UC1 && ignored.size() == current.size()
		&& difference.depth() == CV_8U;
	const double sum = masked ? channelZeroSum(difference, ignored) : channelZeroSum(difference);
	return sum / pixelCount > motionThreshold;
}
