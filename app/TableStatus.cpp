#include "app/TableStatus.h"

#include <cstdio>

namespace
{

/// The reasons a scan gives, each cleared by the next scan.
constexpr StatusReason scanReasons[] = {StatusReason::FramesTooSmall, StatusReason::BoardNotFound,
	StatusReason::PoseUncertain, StatusReason::SeenObliquely, StatusReason::ScanHeldBack};

void setOrClear(StatusLine& status, StatusReason reason, bool holds, const char* words)
{
	status.set(reason, holds ? words : "");
}

std::string unsettledWords(UnsettledPicture::Cause cause)
{
	switch (cause)
	{
	case UnsettledPicture::Cause::NoPicture:
		return "No picture comes from the camera";
	case UnsettledPicture::Cause::Bands:
		return "Bands of light roll through the picture: light the table with another lamp or daylight";
	case UnsettledPicture::Cause::Flicker:
		return "The light flickers: light the table with another lamp or daylight";
	case UnsettledPicture::Cause::Exposure:
		return "The camera keeps changing its brightness: give it a steady light";
	case UnsettledPicture::Cause::Moving:
		return "Something keeps moving in view: keep the board and the camera still";
	case UnsettledPicture::Cause::Noise:
		break;
	}
	return "The camera's picture is too grainy: light the board better";
}

}  // namespace

void noteScan(StatusLine& status, const ScanOutcome& scan)
{
	if (scan.result == ScanOutcome::Paused || scan.result == ScanOutcome::DetectionFailed)
	{
		return;
	}
	for (const StatusReason reason : scanReasons)
	{
		status.clear(reason);
	}
	char words[160];
	switch (scan.result)
	{
	case ScanOutcome::FrameTooSmall:
		std::snprintf(words, sizeof words, "The camera's pictures (%d x %d) are too small: set it to 640 x 480 or more",
			scan.frameWidth, scan.frameHeight);
		status.set(StatusReason::FramesTooSmall, words);
		break;
	case ScanOutcome::MarkersMissing:
		std::snprintf(words, sizeof words, "Show the whole board to the camera: %d of %d markers seen",
			scan.markersSeen, scan.boardMarkers);
		status.set(StatusReason::BoardNotFound, words);
		break;
	case ScanOutcome::PoseUncertain:
		status.set(StatusReason::PoseUncertain, "The board's markers do not line up: lay the board flat");
		break;
	case ScanOutcome::SeenEdgeOn:
		status.set(StatusReason::SeenObliquely, "The camera sees the board too much from the side: look from above");
		break;
	case ScanOutcome::NoFrame:
		status.set(StatusReason::ScanHeldBack, "Waiting for a picture from the camera");
		break;
	default:
		break;
	}
}

void noteHand(StatusLine& status, bool seen)
{
	setOrClear(status, StatusReason::Hand, seen, "Take your hand off the board");
}

void noteUnsettled(StatusLine& status, bool unsettled, UnsettledPicture::Cause cause)
{
	status.set(StatusReason::Unsettled, unsettled ? unsettledWords(cause) : "");
}

void noteScanningPaused(StatusLine& status, bool paused)
{
	setOrClear(status, StatusReason::ScanningPaused, paused, "Scanning paused: press p to scan the board again");
}

void notePaused(StatusLine& status, bool paused)
{
	setOrClear(status, StatusReason::Paused, paused, "Paused: press space to play on");
}

void noteHalfSpeed(StatusLine& status, bool half)
{
	setOrClear(status, StatusReason::HalfSpeed, half, "Half speed: press s for full speed");
}

void noteRecordingStopped(StatusLine& status, bool stopped)
{
	setOrClear(status, StatusReason::RecordingStopped, stopped, "Recording stopped: the disk is nearly full");
}

bool boardOutOfSight(const StatusLine& status)
{
	for (const StatusReason reason : scanReasons)
	{
		if (status.holds(reason))
		{
			return true;
		}
	}
	return false;
}
