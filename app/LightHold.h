#pragma once

#include "core/EventSink.h"
#include "platform/FrameSource.h"

#include <opencv2/core.hpp>

/// When a live camera's automatic exposure and white balance are held: from
/// the first scan that finds the board (the picture has settled with the
/// board in view), so that a hand coming in does not make them step and an
/// hour of play does not drift; given back to the camera when the light
/// changes for good, until the next scan that finds the board. Each change is
/// said in one line and a trace event (`exposureHeld`, `exposureReleased`); a
/// camera that takes neither is left alone, said once (`exposureNotHeld`).
class LightHold
{
public:
	/// The picture's brightness may differ by this factor from what it was
	/// when the controls were held before the light counts as changed...
	static constexpr double changedBy = 1.4;
	/// ...for this long, seconds: a lamp switched on or off, not a hand.
	static constexpr double changedFor = 2.0;

	/// One pass: whether a scan found the board in it, the pass's frame, and
	/// the program's clock, seconds.
	void notePass(FrameSource& camera, bool boardFound, const cv::Mat& frame, double seconds, EventSink& trace);

	/// The picture has not settled for a while because its light keeps
	/// changing (the unsettled picture's drift): the camera's controls are
	/// given back to it.
	void lightKeepsChanging(FrameSource& camera, EventSink& trace);

	/// The camera's controls are held now.
	bool held() const { return m_held; }

private:
	void hold(FrameSource& camera, const cv::Mat& frame, EventSink& trace);
	void release(FrameSource& camera, const std::string& why, EventSink& trace);
	/// Whether the light has stayed far from the held picture's long enough.
	bool lightChanged(const cv::Mat& frame, double seconds);

	bool m_held = false;
	/// A camera that takes neither control has been said.
	bool m_refusalSaid = false;
	/// The picture's brightness when the controls were held.
	double m_heldBrightness = 0.0;
	/// Since when the brightness has been far from it; negative while it is not.
	double m_changedSince = -1.0;
	double m_lastLook = -1e9;
};
