#include "tracking/ScanOutcome.h"

#include <cstdio>

std::string ScanOutcome::reason() const
{
	char text[200];
	switch (result)
	{
	case Found:
		return "";
	case Paused:
		return "scanning is paused (press p to go on)";
	case NoFrame:
		return "no camera frame to scan";
	case FrameTooSmall:
		std::snprintf(text, sizeof text, "camera frames of %d x %d are too small to find the board's markers in",
			frameWidth, frameHeight);
		return text;
	case MarkersMissing:
		std::snprintf(text, sizeof text, "board not found: %d of its %d markers seen", markersSeen, boardMarkers);
		return text;
	case PoseUncertain:
		std::snprintf(text, sizeof text,
			"board pose too uncertain: %d of %d markers seen, reprojection error %.0f, limit %.0f (pixels squared)",
			markersSeen, boardMarkers, poseError, poseErrorLimit);
		return text;
	case SeenEdgeOn:
		return "board seen too obliquely to rectify";
	case DetectionFailed:
		return "marker detection failed";
	}
	return "";
}
