#include "calibration/ProjectorCalibrationRun.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

/// Black at least this many passes before the dark frame, more after a long latency.
constexpr int darkPassesAtLeast = 8;
/// A camera picture that has not kept still by then will not.
constexpr int darkPassesAtMost = 90;
/// Longest latency looked for.
constexpr int latencyAtMost = 30;
/// The lit frame is taken this many passes after the pattern is first seen,
/// so that a camera that was exposing while the picture changed has caught up.
constexpr int settlePasses = 1;

/// Two frames are the same picture when fewer than this share of their pixels
/// differ by more than this many grey levels in a channel (a camera's noise
/// seldom does), and the picture has kept still for this many frames.
constexpr double stillShare = 0.001;
constexpr int stillGrey = 25;
constexpr int stillFrames = 3;

/// The pattern is seen once OpenCV's detector reads this many of its corners
/// in the light it added: a share of the picture's light that noise, a hand or
/// the room's light changing do not make.
constexpr int seenCorners = 4;

/// How much the light changed is read from the frames smoothed over this many
/// pixels square, which leaves a square of the pattern and takes the camera's
/// grain away, at the share of the picture that changed most (the pattern's
/// white squares cover far more than that).
constexpr int gainSmoothing = 9;
constexpr double gainQuantile = 0.99;
/// Light that changed by this many grey levels more than the dark frames
/// differ among themselves was there: the projector is on.
constexpr double gainAboveNoise = 3.0;

/// A dark frame with this share of its pixels at or above this level in a
/// channel is saturated: projected light cannot brighten it.
constexpr double saturatedShare = 0.2;
constexpr int saturatedLevel = 250;

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

/// How much brighter `frame` is than `before`, in grey levels, where it gained
/// most (see gainSmoothing); negative where it darkened most when `absolute`
/// is false, the larger of both when it is true.
double lightChange(const cv::Mat& frame, const cv::Mat& before, bool absolute)
{
	if (frame.size() != before.size() || frame.type() != before.type())
	{
		return 0.0;
	}
	cv::Mat greyNow, greyBefore;
	cv::cvtColor(frame, greyNow, cv::COLOR_BGR2GRAY);
	cv::cvtColor(before, greyBefore, cv::COLOR_BGR2GRAY);
	cv::Mat change;
	cv::subtract(greyNow, greyBefore, change, cv::noArray(), CV_32F);
	cv::blur(change, change, cv::Size(gainSmoothing, gainSmoothing));
	if (absolute)
	{
		change = cv::abs(change);
	}
	std::vector<float> values(change.begin<float>(), change.end<float>());
	const size_t at = size_t(gainQuantile * double(values.size() - 1));
	std::nth_element(values.begin(), values.begin() + long(at), values.end());
	return values[at];
}

double saturatedPart(const cv::Mat& frame)
{
	return cv::countNonZero(largestChannel(frame) >= saturatedLevel) / double(frame.total());
}

std::string figure(double value)
{
	char text[32];
	std::snprintf(text, sizeof text, "%.0f", value);
	return text;
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
		// The camera's grain and the room's flicker, as the last two dark frames show them.
		darkNoise = lightChange(frame, previous, true);
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
	if (seenPass == 0)
	{
		const CharucoView read = findCharucoCorners(pattern.layout, projectedLight(frame, darkFrame), 1);
		if (int(read.ids.size()) >= seenCorners)
		{
			seenPass = pass;
			latency = pass - patternPass - 1;
		}
		strongestGain = std::max(strongestGain, lightChange(frame, darkFrame, false));
	}
	if (seenPass != 0 && pass >= seenPass + settlePasses)
	{
		litFrame = frame.clone();
		// The plain chessboard is shown from this pass on.
		now = ShowingPlain;
		plainPass = pass;
		return;
	}
	if (seenPass == 0 && pass - patternPass > latencyAtMost + 1)
	{
		now = Failed;
		problem = whyUnseen();
	}
}

bool ProjectorCalibrationRun::fit(const double distortion[4], const ErrorArea& area, ProjectorCalibration& result,
	std::string& refusal) const
{
	CV_Assert(now == Done);
	const CharucoView named = findCharucoCorners(pattern.layout, projectedLight(litFrame, darkFrame), 1);
	const CharucoView seen = placeOnChessboard(named, projectedLight(chessboardFrame, darkFrame));
	result.latencyPasses = latency;
	if (fitProjectorCalibration(pattern, seen, distortion, area, result, refusal))
	{
		return true;
	}
	// Corners lost because the paper was white already: that is the cause.
	if (result.cornersFound < minCalibrationCorners && !saturation().empty())
	{
		refusal = saturation();
	}
	return false;
}

std::string ProjectorCalibrationRun::saturation() const
{
	const double saturated = saturatedPart(darkFrame);
	if (saturated < saturatedShare)
	{
		return std::string();
	}
	return "the camera's picture is saturated: " + figure(100.0 * saturated)
		+ " % of it is white already before the projector adds light, so its pattern cannot show there: lower the camera's exposure or gain, or dim the room";
}

std::string ProjectorCalibrationRun::whyUnseen() const
{
	if (!saturation().empty())
	{
		return saturation();
	}
	if (strongestGain >= darkNoise + gainAboveNoise)
	{
		return "the projector's light is too weak for the room: its pattern brightened the board by " + figure(strongestGain)
			+ " grey levels, which the camera cannot read against the room's light (its frames differ by "
			+ figure(darkNoise)
			+ " among themselves): darken the room, turn the projector's brightness up or bring it nearer the board, and focus it";
	}
	return "the camera did not see the projector's pattern: switch the projector on, let the \"projector\" window show on it (--projector X,Y,W,H is where the projector's picture is on the desktop) and point it at the board";
}

void ProjectorCalibrationRun::showingPlain(const cv::Mat& frame, int pass)
{
	if (pass >= plainPass + 1 + latency + settlePasses)
	{
		chessboardFrame = frame.clone();
		now = Done;
	}
}
