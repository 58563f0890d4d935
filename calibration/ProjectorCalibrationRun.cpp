#include "calibration/ProjectorCalibrationRun.h"

#include "core/FixedValues.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace
{

/// Black at least this many passes before the dark frame, more after a long latency.
constexpr int darkPassesAtLeast = 8;
/// A camera picture that has not kept still by then will not.
constexpr int darkPassesAtMost = 90;
/// The lit frame is taken this many passes after the pattern is first seen,
/// so that a camera that was exposing while the picture changed has caught up.
constexpr int settlePasses = 1;

/// Two frames are the same picture when fewer than this share of their pixels
/// differ by more than this many grey levels in a channel (a camera's noise
/// seldom does), and the picture has kept still for this many frames.
constexpr double stillShare = 0.001;
constexpr int stillGrey = 25;
constexpr int stillFrames = 3;
/// The pattern shows once this share of the pixels gained this much light:
/// far above what a webcam's noise (sigma 2 to 4) gives lit minus dark, and a
/// share of the picture that a hand moving through it would not give alone.
constexpr double litShare = 0.01;
constexpr int litGain = 30;

bool samePicture(const cv::Mat& a, const cv::Mat& b)
{
	if (a.empty() || a.size() != b.size() || a.type() != b.type())
	{
		return false;
	}
	cv::Mat difference;
	cv::absdiff(a, b, difference);
	return cv::countNonZero(largestChannel(difference) > stillGrey) < stillShare * double(a.total());
}

bool showsPattern(const cv::Mat& frame, const cv::Mat& dark)
{
	if (frame.size() != dark.size() || frame.type() != dark.type())
	{
		return false;
	}
	cv::Mat gained;
	cv::subtract(frame, dark, gained);
	return cv::countNonZero(largestChannel(gained) > litGain) >= litShare * double(frame.total());
}

}  // namespace

ProjectorCalibrationRun::ProjectorCalibrationRun(cv::Size size, int knownLatency)
	: pattern(makeProjectorPattern(size)),
	  black(cv::Mat::zeros(size, CV_8UC3)),
	  minDarkPasses(std::max(darkPassesAtLeast, knownLatency + 3))
{
}

void ProjectorCalibrationRun::see(const cv::Mat& frame, int pass)
{
	if (frame.empty() || frame.type() != CV_8UC3)
	{
		now = Failed;
		problem = "no camera frame came: the projector is measured through the camera";
		return;
	}
	if (now == Darkening)
	{
		darkening(frame, pass);
	}
	else if (now == Showing)
	{
		showing(frame, pass);
	}
	else if (now == ShowingPlain)
	{
		showingPlain(frame, pass);
	}
}

void ProjectorCalibrationRun::darkening(const cv::Mat& frame, int pass)
{
	darkPasses += 1;
	stillPasses = samePicture(frame, previous) ? stillPasses + 1 : 0;
	if (darkPasses >= minDarkPasses && stillPasses >= stillFrames)
	{
		darkFrame = frame.clone();
		// The pattern is shown from this pass on.
		now = Showing;
		patternPass = pass;
		return;
	}
	if (darkPasses >= darkPassesAtMost)
	{
		now = Failed;
		problem = "the camera picture did not keep still with the projector dark: keep hands and things still and off the board while the projector is measured";
		return;
	}
	previous = frame.clone();
}

void ProjectorCalibrationRun::showing(const cv::Mat& frame, int pass)
{
	// Shown in pass p, a picture can first be seen by the camera read of pass p + 1.
	if (seenPass == 0 && showsPattern(frame, darkFrame))
	{
		seenPass = pass;
		latency = pass - patternPass - 1;
	}
	if (seenPass != 0 && pass >= seenPass + settlePasses)
	{
		litFrame = frame.clone();
		// The plain chessboard is shown from this pass on.
		now = ShowingPlain;
		plainPass = pass;
		return;
	}
	if (seenPass == 0 && pass - patternPass > longestLatencyPasses + 1)
	{
		now = Failed;
		problem = "the camera did not see the projector's pattern: switch the projector on, let the \"projector\" window show on it (--projector X,Y,W,H is where the projector's picture is on the desktop) and point it at the board";
	}
}

void ProjectorCalibrationRun::showingPlain(const cv::Mat& frame, int pass)
{
	if (pass >= plainPass + 1 + latency + settlePasses)
	{
		chessboardFrame = frame.clone();
		now = Done;
	}
}
