#pragma once

#include <ctime>
#include <string>

struct ScanOutcome;

/// A camera calibration made today that has never yet found the board is
/// the first suspect when the board is not found: this says so. It follows
/// the run's scans, notes the calibration used once the board has been found
/// with it, and keeps the hint for the player while it holds.
class CalibrationHint
{
public:
	/// `cameraFile` is the camera parameter file the run reads.
	explicit CalibrationHint(std::string cameraFile) : m_cameraFile(std::move(cameraFile)) {}

	/// After each board scan, at `now`. The first scan that finds the board
	/// notes the calibration used (markCalibrationUsed); one that misses the
	/// board while the calibration is untried says to check it, in one line
	/// on standard error, once a run.
	void afterScan(const ScanOutcome& scan, std::time_t now);

	/// The hint, worded for the player, while the last scan missed the board
	/// with an untried calibration; empty otherwise.
	const std::string& line() const { return m_line; }

private:
	std::string m_cameraFile;
	bool m_foundOnce = false;
	bool m_said = false;
	std::string m_line;
};
