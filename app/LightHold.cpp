#include "app/LightHold.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

/// The brightness is looked at this often, seconds.
constexpr double lookEvery = 0.25;

/// The picture's brightness as its brightest fifth shows it, in a coarse grey
/// picture: the paper, which a hand or an arm over the board hides only in
/// part, while a lamp switched on or off changes it all.
double brightnessOf(const cv::Mat& frame)
{
	cv::Mat small, grey;
	cv::resize(frame, small, cv::Size(32, 18), 0.0, 0.0, cv::INTER_AREA);
	cv::cvtColor(small, grey, cv::COLOR_BGR2GRAY);
	std::vector<uchar> levels(grey.begin<uchar>(), grey.end<uchar>());
	const size_t brightestFifth = levels.size() * 4 / 5;
	std::nth_element(levels.begin(), levels.begin() + long(brightestFifth), levels.end());
	return levels[brightestFifth];
}

}  // namespace

void LightHold::notePass(FrameSource& camera, bool boardFound, const cv::Mat& frame, double seconds, EventSink& trace)
{
	if (!camera.pacesItself() || frame.empty() || frame.type() != CV_8UC3)
	{
		return;
	}
	if (camera.presence() != CameraPresence::Delivering)
	{
		// Opened again, a camera starts at its own settings.
		m_held = false;
		m_refusalSaid = false;
		return;
	}
	if (!m_held)
	{
		if (boardFound && !m_refusalSaid)
		{
			hold(camera, frame, trace);
		}
		return;
	}
	if (lightChanged(frame, seconds))
	{
		release(camera, "the light changed", trace);
	}
}

void LightHold::lightKeepsChanging(FrameSource& camera, EventSink& trace)
{
	if (m_held)
	{
		release(camera, "the light keeps changing", trace);
	}
}

void LightHold::hold(FrameSource& camera, const cv::Mat& frame, EventSink& trace)
{
	const std::string name = camera.describe();
	const HeldLight held = camera.holdLight();
	if (!held.any())
	{
		m_refusalSaid = true;
		std::fprintf(stderr, "%s does not take its exposure or white balance set by hand: they are left to the camera\n",
			name.c_str());
		trace.report(Event("exposureNotHeld").set("source", name));
		return;
	}
	m_held = true;
	m_heldBrightness = brightnessOf(frame);
	m_changedSince = -1.0;
	char exposure[64] = "", balance[64] = "";
	std::snprintf(exposure, sizeof exposure, held.exposure ? "exposure held at %g" : "exposure left to the camera",
		held.exposureValue);
	std::snprintf(balance, sizeof balance, held.whiteBalance ? "white balance at %g K" : "white balance left to it",
		held.temperature);
	std::printf("%s: %s, %s, while the light stays as it is\n", name.c_str(), exposure, balance);
	std::fflush(stdout);
	Event event("exposureHeld");
	event.set("source", name);
	if (held.exposure)
	{
		event.set("exposure", held.exposureValue);
	}
	if (held.whiteBalance)
	{
		event.set("temperature", held.temperature);
	}
	trace.report(event);
}

void LightHold::release(FrameSource& camera, const std::string& why, EventSink& trace)
{
	camera.releaseLight();
	m_held = false;
	const std::string name = camera.describe();
	std::printf("%s: %s; exposure and white balance are the camera's own again until the board is next found\n",
		name.c_str(), why.c_str());
	std::fflush(stdout);
	trace.report(Event("exposureReleased").set("source", name).set("reason", why));
}

bool LightHold::lightChanged(const cv::Mat& frame, double seconds)
{
	if (seconds - m_lastLook < lookEvery)
	{
		return false;
	}
	m_lastLook = seconds;
	const double ratio = (brightnessOf(frame) + 1.0) / (m_heldBrightness + 1.0);
	if (ratio < changedBy && ratio > 1.0 / changedBy)
	{
		m_changedSince = -1.0;
		return false;
	}
	if (m_changedSince < 0.0)
	{
		m_changedSince = seconds;
	}
	return seconds - m_changedSince >= changedFor;
}
