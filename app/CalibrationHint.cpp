#include "app/CalibrationHint.h"

#include "calibration/CalibrationNote.h"
#include "tracking/ScanOutcome.h"

#include <cstdio>

namespace
{

/// Scans that looked for the board's markers and did not find the board: a
/// wrong lens model misplaces or loses them. A paused scan, a missing or
/// small frame and a failed detector say nothing of the calibration.
bool missedBoard(const ScanOutcome& scan)
{
	return scan.result == ScanOutcome::MarkersMissing || scan.result == ScanOutcome::PoseUncertain
		|| scan.result == ScanOutcome::SeenEdgeOn;
}

}  // namespace

void CalibrationHint::afterScan(const ScanOutcome& scan, std::time_t now)
{
	if (scan.found())
	{
		m_line.clear();
		if (!m_foundOnce)
		{
			m_foundOnce = true;
			if (const std::error_code failure = markCalibrationUsed(m_cameraFile))
			{
				std::fprintf(stderr, "%s: cannot note that this calibration has found the board: %s\n",
					calibrationNotePath(m_cameraFile).c_str(), failure.message().c_str());
			}
		}
		return;
	}
	if (!missedBoard(scan) || m_foundOnce || !isUntriedCalibration(m_cameraFile, now))
	{
		m_line.clear();
		return;
	}
	m_line = "Board not found with today's new camera calibration: check it";
	if (!m_said)
	{
		m_said = true;
		std::fprintf(stderr,
			"%s: the board is not found with this camera calibration, made today and never used yet: check the "
			"calibration (take it again with drawtable-calibrate, or put back the one before it, kept beside it)\n",
			m_cameraFile.c_str());
	}
}
