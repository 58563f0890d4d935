#pragma once

#include "render/DiskBudget.h"

#include <chrono>
#include <cstdint>
#include <optional>

/// The pace of a recording: the rate its videos play at, how fast it fills
/// the disk (said once, after it has been measured for a few seconds), and,
/// with a live camera, whether the main loop keeps up with it (said once,
/// when it waits for the recording too much of the time).
class RecordingPace
{
public:
	using Clock = std::chrono::steady_clock;

	/// The camera is live and delivers this many frames a second (0 when it
	/// does not say).
	void setLiveCamera(double framesPerSecond);

	/// The rate the videos play at: the live camera's when it says it, else
	/// a pass a 60th of a second, as the demo's game runs.
	double videoFramesPerSecond() const;

	/// After each pass recorded, at `now`: the bytes put on the disk and the
	/// time the loop waited for the recording so far, in all, and the disk's
	/// budget.
	void passRecorded(Clock::time_point now, std::uint64_t bytesWritten, Clock::duration waited,
		const DiskBudget& budget);

private:
	/// Says how fast the disk fills, once it has been measured long enough.
	void sayRate(Clock::time_point now, std::uint64_t bytesWritten, const DiskBudget& budget);
	/// Closes a window of passes; says once when the loop waited too long in it.
	void closeWindow(Clock::time_point now, Clock::duration waited);

	bool m_live = false;
	double m_cameraFramesPerSecond = 0.0;
	/// Since the first recorded pass, and since the start of the current window.
	std::optional<Clock::time_point> m_firstPass;
	bool m_rateSaid = false;
	Clock::time_point m_windowStart;
	int m_windowPasses = 0;
	Clock::duration m_waitedBeforeWindow{};
	bool m_slownessSaid = false;
};
