#pragma once

#include <string>

/// Why the last board scan found the board or did not: what a user whose
/// table does not react needs to know.
struct ScanOutcome
{
	enum Result
	{
		Found,
		Paused,           ///< scanning is paused (key p)
		NoFrame,          ///< no camera frame to scan yet
		FrameTooSmall,    ///< a frame too small to find markers in
		MarkersMissing,   ///< none of the board's markers seen
		PoseUncertain,    ///< markers seen, but their pose misses by too much
		SeenEdgeOn,       ///< the board is seen too obliquely to rectify
		DetectionFailed   ///< the marker detector itself failed
	};

	Result result = NoFrame;
	/// Markers of the board seen in the frame, and how many the board has.
	int markersSeen = 0;
	int boardMarkers = 0;
	/// Mean squared reprojection error of the board's pose, pixels squared;
	/// negative when there was none.
	double poseError = -1.0;
	double poseErrorLimit = 0.0;
	/// The size of the frame scanned.
	int frameWidth = 0;
	int frameHeight = 0;

	bool found() const { return result == Found; }

	/// One line saying why the board was not scanned; empty when it was.
	std::string reason() const;
};
