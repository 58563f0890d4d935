#include "calibration/ProjectorCalibrationRun.h"

#include "calibration/PatternOnBoard.h"
#include "core/FixedValues.h"

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
/// The lit frame is taken this many passes after the pattern is first seen,
/// so that a camera that was exposing while the picture changed has caught up.
constexpr int settlePasses = 1;

/// A fit over the board within this many projector pixels RMS is kept; a
/// poorer one is measured again with a pattern over the board alone.
constexpr double wantedRmsPixels = 1.0;

/// Two frames are the same picture when fewer than this share of their pixels
/// differ by more than this many grey levels in a channel (a camera's noise
/// seldom does). Stricter than the scans' motion test, which lets the light
/// change: the dark frame is what the pattern's light is measured against.
constexpr double stillShare = 0.001;
constexpr int stillGrey = 25;

/// The pattern is seen once OpenCV's detector reads this many of its corners
/// in the light it added, in two frames in a row: what one code gives, which
/// grain, a hand or the room's light changing do not make twice.
constexpr int seenCorners = 4;

/// How much the light changed is read from the frames smoothed over this many
/// pixels square, which leaves a square of the pattern and takes the camera's
/// grain away, at the share of the picture that changed most (the pattern's
/// white squares cover far more than that).
constexpr int gainSmoothing = 9;
constexpr double gainQuantile = 0.99;
/// Light that changed by this many grey levels more than the dark frames,
/// smoothed alike, differ among themselves was there: the projector is on.
constexpr double gainAboveNoise = 3.0;

/// Sigma, in camera pixels, of the smoothing before the codes are read.
constexpr double codeSmoothing = 1.0;

/// A dark frame with this share of its pixels at or above this level in a
/// channel is saturated: projected light cannot brighten it.
constexpr double saturatedShare = 0.2;
constexpr int saturatedLevel = 250;
/// Paper at this level or above in the dark frame leaves less room than the
/// light of a game drawn on it needs to be seen (25 grey levels and some).
constexpr int nearWhiteLevel = 240;
constexpr double paperShare = 0.1;

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
/// most (at gainQuantile), both smoothed over `smoothing` pixels square; when
/// `absolute`, how much it differs either way.
double lightChange(const cv::Mat& frame, const cv::Mat& before, int smoothing, bool absolute)
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
	if (smoothing > 1)
	{
		cv::blur(change, change, cv::Size(smoothing, smoothing));
	}
	if (absolute)
	{
		change = cv::abs(change);
	}
	std::vector<float> values(change.begin<float>(), change.end<float>());
	const size_t at = size_t(gainQuantile * double(values.size() - 1));
	std::nth_element(values.begin(), values.begin() + long(at), values.end());
	return values[at];
}

/// The corners a coded frame's light names, its codes read as it is and
/// smoothed over about a pixel, which takes most of the camera's grain and
/// little of a code's cell (the corners are placed on the plain chessboard's
/// light, not here).
CharucoView codesInLight(const CharucoLayout& layout, const cv::Mat& frame, const cv::Mat& dark)
{
	const cv::Mat light = projectedLight(frame, dark);
	cv::Mat smoothed;
	cv::GaussianBlur(light, smoothed, cv::Size(0, 0), codeSmoothing);
	return findSoftCharucoCorners(layout, light, smoothed);
}

/// The corners of `pattern` named by its codes in the coded frame and placed
/// on the plain chessboard's.
CharucoView cornersSeen(const ProjectorPattern& pattern, const cv::Mat& litFrame, const cv::Mat& chessboardFrame,
	const cv::Mat& darkFrame)
{
	const CharucoView named = codesInLight(pattern.layout, litFrame, darkFrame);
	return placeOnChessboard(named, projectedLight(chessboardFrame, darkFrame));
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
	  minDarkPasses(std::max(darkPassesAtLeast, knownLatency + 3)),
	  darkStillness(stillFrames)
{
}

void ProjectorCalibrationRun::see(const cv::Mat& frame, int pass)
{
	if (frame.empty() || frame.type() != CV_8UC3)
	{
		now = Failed;
		m_problem = "no camera frame came: the projector is measured through the camera";
		return;
	}
	lastPass = pass;
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
	darkStillness.notePass(!samePicture(frame, previous));
	if (darkPasses >= minDarkPasses && darkStillness.settled())
	{
		// The camera's grain and the room's flicker, as the last two dark frames
		// show them: pixel by pixel, and smoothed as the light's gain is.
		grain = lightChange(frame, previous, 1, true);
		darkNoise = lightChange(frame, previous, gainSmoothing, true);
		m_darkFrame = frame.clone();
		// The pattern is shown from this pass on.
		now = Showing;
		patternPass = pass;
		return;
	}
	if (darkPasses >= darkPassesAtMost)
	{
		now = Failed;
		m_problem = "the camera picture did not keep still with the projector dark: keep hands and things still and off the board while the projector is measured";
		return;
	}
	previous = frame.clone();
}

void ProjectorCalibrationRun::showing(const cv::Mat& frame, int pass)
{
	// Only light that changed can hold the pattern (and the detector is slow on grain).
	const double gain = seenPass == 0 ? lightChange(frame, m_darkFrame, gainSmoothing, false) : 0.0;
	strongestGain = std::max(strongestGain, gain);
	if (seenPass == 0 && gain >= darkNoise + gainAboveNoise)
	{
		const CharucoView read = codesInLight(pattern.layout, frame, m_darkFrame);
		if (int(read.ids.size()) >= seenCorners)
		{
			// Read in two frames in a row: a code read by chance in the grain is not read again.
			if (readPass == pass - 1)
			{
				seenPass = readPass;
				// The second pattern's passes say it again, a late frame aside.
				if (!first)
				{
					m_latency = readPass - seenFromPass(patternPass, 0);
				}
			}
			readPass = pass;
		}
	}
	if (seenPass != 0 && pass >= seenPass + settlePasses)
	{
		m_litFrame = frame.clone();
		// The plain chessboard is shown from this pass on.
		now = ShowingPlain;
		plainPass = pass;
		return;
	}
	if (seenPass == 0 && pass > seenFromPass(patternPass, longestLatencyPasses))
	{
		if (first)
		{
			// The second pattern never came through: the first one's frames stand.
			pattern = first->pattern;
			m_litFrame = first->litFrame;
			m_chessboardFrame = first->chessboardFrame;
			first.reset();
			now = Done;
			return;
		}
		now = Failed;
		m_problem = whyUnseen();
	}
}

bool ProjectorCalibrationRun::aimAtBoard(const double distortion[4], const ErrorArea& area)
{
	CV_Assert(now == Done);
	if (aimed || !lightProblem().empty())
	{
		return false;
	}
	aimed = true;
	const CharucoView seen = cornersSeen(pattern, m_litFrame, m_chessboardFrame, m_darkFrame);
	ProjectorCalibration whole;
	std::string refusal;
	if (fitProjectorCalibration(pattern, seen, distortion, area, whole, refusal) && whole.rmsPixels <= wantedRmsPixels)
	{
		return false;
	}
	cv::Matx33d rough;
	if (!roughCameraToProjector(pattern, seen, distortion, rough))
	{
		return false;
	}
	const cv::Size size = black.size();
	ProjectorPattern onBoard = patternOverPart(size, pictureOverArea(size, rough, area), rough);
	if (onBoard.picture.empty())
	{
		return false;
	}
	first = std::make_unique<Measured>(Measured{pattern, m_litFrame, m_chessboardFrame});
	pattern = std::move(onBoard);
	// Shown from this pass on, and seen as the first one was.
	now = Showing;
	patternPass = lastPass;
	readPass = seenPass = 0;
	return true;
}

bool ProjectorCalibrationRun::fit(const double distortion[4], const ErrorArea& area, ProjectorCalibration& result,
	std::string& refusal) const
{
	CV_Assert(now == Done);
	result.latencyPasses = m_latency;
	const ProjectorCalibration given = result;
	const bool fitted = fitProjectorCalibration(pattern, cornersSeen(pattern, m_litFrame, m_chessboardFrame, m_darkFrame),
		distortion, area, result, refusal);
	if (first)
	{
		// The pattern over the board is meant to be the better; the figures say.
		ProjectorCalibration whole = given;
		std::string wholeRefused;
		const bool wholeFitted = fitProjectorCalibration(first->pattern,
				cornersSeen(first->pattern, first->litFrame, first->chessboardFrame, m_darkFrame), distortion, area,
				whole, wholeRefused);
		if (wholeFitted && (!fitted || whole.rmsPixels < result.rmsPixels))
		{
			result = whole;
			refusal.clear();
			return true;
		}
	}
	if (fitted)
	{
		return true;
	}
	if (result.cornersFound < minCalibrationCorners)
	{
		// Corners lost to a picture white already, or to light too weak: that is
		// the cause. Else the light's figures tell the rest.
		if (!lightProblem().empty())
		{
			refusal = lightProblem();
		}
		else if (refusal.find(": ") != std::string::npos)
		{
			refusal.insert(refusal.find(": "), " (the pattern brightened the board by " + figure(strongestGain)
					+ " grey levels, the camera's picture varies by " + figure(grain) + " from frame to frame)");
		}
	}
	return false;
}

std::string ProjectorCalibrationRun::lightProblem() const
{
	if (darkFrameSaturated())
	{
		const double saturated = saturatedPart(m_darkFrame);
		return "the camera's picture is saturated: " + figure(100.0 * saturated)
			+ " % of it is white already before the projector adds light, so its pattern cannot show there: lower the camera's exposure or gain, or dim the room";
	}
	// The detector reads single pixels: light below their own flicker is lost in it.
	if (lightChanged() && strongestGain < grain)
	{
		return "the projector's light is too weak for the room: its pattern brightened the board by "
			+ figure(strongestGain) + " grey levels, less than the camera's picture varies by from frame to frame ("
			+ figure(grain)
			+ "): darken the room, turn the projector's brightness up or bring it nearer the board, and focus it";
	}
	return std::string();
}

bool ProjectorCalibrationRun::darkFrameSaturated() const
{
	return !m_darkFrame.empty() && saturatedPart(m_darkFrame) >= saturatedShare;
}

bool ProjectorCalibrationRun::paperNearWhite() const
{
	if (m_darkFrame.empty())
	{
		return false;
	}
	const cv::Mat level = largestChannel(m_darkFrame);
	std::vector<uchar> values(level.begin<uchar>(), level.end<uchar>());
	const auto at = values.begin() + long(double(values.size()) * (1.0 - paperShare));
	std::nth_element(values.begin(), at, values.end());
	return darkFrameSaturated() || *at >= nearWhiteLevel;
}

bool ProjectorCalibrationRun::lightChanged() const
{
	return strongestGain >= darkNoise + gainAboveNoise;
}

std::string ProjectorCalibrationRun::whyUnseen() const
{
	if (!lightProblem().empty())
	{
		return lightProblem();
	}
	if (lightChanged())
	{
		return "the camera sees the projector's light (" + figure(strongestGain)
			+ " grey levels) but cannot read its pattern: focus the projector, and let its picture fall on the board's white paper";
	}
	return "the camera did not see the projector's pattern: switch the projector on, let the \"projector\" window show on it (--projector X,Y,W,H is where the projector's picture is on the desktop) and point it at the board; if it is on and points there, its light is too weak for the room: darken the room or turn its brightness up";
}

void ProjectorCalibrationRun::showingPlain(const cv::Mat& frame, int pass)
{
	if (pass >= seenFromPass(plainPass, m_latency) + settlePasses)
	{
		m_chessboardFrame = frame.clone();
		now = Done;
	}
}
