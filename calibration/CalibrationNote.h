#pragma once

#include <ctime>
#include <string>
#include <system_error>

/// What the calibration tool notes beside a camera file it writes (as
/// `camera_para.dat.note`, a few lines of text), so that the program can
/// tell a calibration that has never yet found the board from one that has
/// served: when the board is not found, a fresh and untried one is the
/// first suspect.
struct CalibrationNote
{
	/// When the tool wrote the camera file.
	std::time_t written = 0;
	/// Its grade: "good", "usable" or "retake".
	std::string grade;
	/// Whether --force wrote it although the tool refused it.
	bool forced = false;
	/// Whether the program has found the board with it.
	bool used = false;
	/// The camera file the note speaks of (cameraParametersRecord): a file
	/// copied over it since makes the note void.
	std::string cameraParameters;
};

/// Where the note of `cameraFile` is kept.
std::string calibrationNotePath(const std::string& cameraFile);

/// Write the note of `cameraFile` whole; `note.cameraParameters` is filled
/// from the file as it is now.
std::error_code writeCalibrationNote(const std::string& cameraFile, CalibrationNote note);

/// The note of `cameraFile` when there is one that speaks of the file as it
/// is now; false otherwise (no note, an unreadable one, another file).
bool readCalibrationNote(const std::string& cameraFile, CalibrationNote& note);

/// Note that the program has found the board with `cameraFile`; nothing is
/// written when it has no note or the note says so already.
std::error_code markCalibrationUsed(const std::string& cameraFile);

/// True when the calibration tool wrote `cameraFile` on the day of `now`
/// (local time) and the program has never found the board with it.
bool isUntriedCalibration(const std::string& cameraFile, std::time_t now);
