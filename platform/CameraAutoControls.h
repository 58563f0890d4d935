#pragma once

#include "platform/FrameSource.h"

#include <opencv2/videoio.hpp>

/// A camera's automatic exposure and white balance, through OpenCV's capture
/// properties in V4L2's own values: held at what they reached, lowered, or
/// given back to the camera as it had them.
class CameraAutoControls
{
public:
	/// V4L2's exposure modes: the exposure set by hand, and the usual
	/// automatic one of a webcam (the exposure time chosen by the camera).
	static constexpr double manualExposure = 1.0;
	static constexpr double automaticExposure = 3.0;

	/// Controls of the camera `capture` opens; it must outlive them.
	explicit CameraAutoControls(cv::VideoCapture& capture) : m_capture(capture) {}

	/// Automatic exposure and white balance off, each at the value it had
	/// reached. Says what the camera took: a control it refuses, or accepts
	/// and keeps acting on, stays the camera's.
	HeldLight hold();

	/// What hold took goes back to the camera's control, as it was before.
	/// An exposure lowered by scaleExposure stays where it was put.
	void release();

	/// The camera was opened again: it starts at its own settings, nothing is held.
	void forget();

	/// Make the exposure `factor` times what it is, by hand from then on.
	/// False when the camera does not say its exposure or does not take it.
	bool scaleExposure(double factor);

private:
	/// Switch `autoProperty` to `manual` and `valueProperty` to `value`; true
	/// when the camera reads back as set by hand.
	bool setByHand(int autoProperty, double manual, int valueProperty, double value);
	/// Keep what the camera's automatic setting was, before it is first changed.
	void rememberAutomatic();

	cv::VideoCapture& m_capture;
	HeldLight m_held;
	/// The automatic settings as the camera had them; read once a hold or a scale changes them.
	bool m_remembered = false;
	double m_exposureModeBefore = automaticExposure;
	double m_whiteBalanceModeBefore = 1.0;
	/// The exposure was put by scaleExposure, for the rest of the run.
	bool m_exposureScaled = false;
};
