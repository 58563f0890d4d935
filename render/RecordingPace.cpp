#include "render/RecordingPace.h"

#include <cstdio>
#include <string>

namespace
{

/// A pass of the demo is a 60th of a second of the game: without a live
/// camera the videos play at that rate.
constexpr double gameFramesPerSecond = 60.0;

/// How long the recording runs before its rate is said.
constexpr std::chrono::seconds rateMeasuredOver(3);

/// The loop is watched in windows of this length; when it spent more than
/// this share of one waiting for the recording, it does not keep up.
constexpr std::chrono::seconds paceWindow(1);
constexpr double waitingShareTooMuch = 0.1;

double seconds(RecordingPace::Clock::duration duration)
{
	return std::chrono::duration<double>(duration).count();
}

std::string durationText(double totalSeconds)
{
	char text[64];
	if (totalSeconds < 120.0)
	{
		std::snprintf(text, sizeof text, "%.0f seconds", totalSeconds);
	}
	else if (totalSeconds < 2.0 * 3600.0)
	{
		std::snprintf(text, sizeof text, "%.0f minutes", totalSeconds / 60.0);
	}
	else
	{
		std::snprintf(text, sizeof text, "%.1f hours", totalSeconds / 3600.0);
	}
	return text;
}

}  // namespace

void RecordingPace::setLiveCamera(double framesPerSecond)
{
	m_live = true;
	m_cameraFramesPerSecond = framesPerSecond;
}

double RecordingPace::videoFramesPerSecond() const
{
	return m_live && m_cameraFramesPerSecond > 0.0 ? m_cameraFramesPerSecond : gameFramesPerSecond;
}

void RecordingPace::passRecorded(Clock::time_point now, std::uint64_t bytesWritten, Clock::duration waited,
	const DiskBudget& budget)
{
	if (!m_firstPass)
	{
		m_firstPass = now;
		m_windowStart = now;
		m_waitedBeforeWindow = waited;
	}
	sayRate(now, bytesWritten, budget);
	m_windowPasses += 1;
	if (now - m_windowStart >= paceWindow)
	{
		closeWindow(now, waited);
	}
}

void RecordingPace::sayRate(Clock::time_point now, std::uint64_t bytesWritten, const DiskBudget& budget)
{
	const DiskSpace disk = budget.lastMeasured();
	const Clock::duration recorded = now - *m_firstPass;
	if (m_rateSaid || recorded < rateMeasuredOver || disk.total == 0)
	{
		return;
	}
	m_rateSaid = true;
	const double bytesPerSecond = double(bytesWritten) / seconds(recorded);
	const double room = double(budget.roomOn(disk));
	std::printf("recording fills the disk at about %s a minute; the %s free above the %s kept free last about %s\n",
		formatByteSize(std::uint64_t(bytesPerSecond * 60.0)).c_str(), formatByteSize(std::uint64_t(room)).c_str(),
		formatByteSize(budget.floorOn(disk)).c_str(),
		bytesPerSecond > 0.0 ? durationText(room / bytesPerSecond).c_str() : "for ever");
	std::fflush(stdout);
}

void RecordingPace::closeWindow(Clock::time_point now, Clock::duration waited)
{
	const double windowSeconds = seconds(now - m_windowStart);
	const double waitingShare = seconds(waited - m_waitedBeforeWindow) / windowSeconds;
	const double passesPerSecond = m_windowPasses / windowSeconds;
	if (m_live && !m_slownessSaid && waitingShare > waitingShareTooMuch)
	{
		m_slownessSaid = true;
		char camera[64] = "";
		if (m_cameraFramesPerSecond > 0.0)
		{
			std::snprintf(camera, sizeof camera, " against the camera's %.0f", m_cameraFramesPerSecond);
		}
		std::fprintf(stderr,
			"recording cannot keep up: %.0f passes a second%s, the loop waits for it %.0f %% of the time; "
			"record less (--record video, or --record none) or set the camera to a smaller frame size\n",
			passesPerSecond, camera, 100.0 * waitingShare);
	}
	m_windowStart = now;
	m_windowPasses = 0;
	m_waitedBeforeWindow = waited;
}
