#include "calibration/CalibrationNote.h"

#include "calibration/ProjectorCalibration.h"
#include "platform/WholeFile.h"

#include <fstream>
#include <sstream>

namespace
{

const char* const yesNo[] = {"no", "yes"};

/// One "key value" line's value, or false when it says neither yes nor no.
bool readYesNo(std::istream& line, bool& value)
{
	std::string word;
	line >> word;
	value = word == yesNo[1];
	return word == yesNo[0] || word == yesNo[1];
}

}  // namespace

std::string calibrationNotePath(const std::string& cameraFile)
{
	return cameraFile + ".note";
}

std::error_code writeCalibrationNote(const std::string& cameraFile, CalibrationNote note)
{
	note.cameraParameters = cameraParametersRecord(cameraFile);
	std::ostringstream text;
	text << "# the calibration tool's note on " << cameraFile << "\n"
		 << "written " << (long long)note.written << "\n"
		 << "grade " << note.grade << "\n"
		 << "forced " << yesNo[note.forced] << "\n"
		 << "used " << yesNo[note.used] << "\n"
		 << "camera " << note.cameraParameters << "\n";
	const std::string bytes = text.str();
	return writeWholeFile(calibrationNotePath(cameraFile), bytes.data(), bytes.size());
}

bool readCalibrationNote(const std::string& cameraFile, CalibrationNote& note)
{
	std::ifstream file(calibrationNotePath(cameraFile));
	CalibrationNote read;
	// One bit for each of the five keys read.
	unsigned keysRead = 0;
	std::string text;
	while (std::getline(file, text))
	{
		std::istringstream line(text);
		std::string key;
		line >> key;
		long long seconds = 0;
		if (key == "written" && line >> seconds)
		{
			read.written = std::time_t(seconds);
			keysRead |= 1u;
		}
		else if (key == "grade" && line >> read.grade)
		{
			keysRead |= 2u;
		}
		else if (key == "forced" && readYesNo(line, read.forced))
		{
			keysRead |= 4u;
		}
		else if (key == "used" && readYesNo(line, read.used))
		{
			keysRead |= 8u;
		}
		else if (key == "camera" && std::getline(line >> std::ws, read.cameraParameters))
		{
			keysRead |= 16u;
		}
	}
	const std::string now = cameraParametersRecord(cameraFile);
	if (keysRead != 31u || now.empty() || read.cameraParameters != now)
	{
		return false;
	}
	note = read;
	return true;
}

std::error_code markCalibrationUsed(const std::string& cameraFile)
{
	CalibrationNote note;
	if (!readCalibrationNote(cameraFile, note) || note.used)
	{
		return std::error_code();
	}
	note.used = true;
	return writeCalibrationNote(cameraFile, note);
}

bool isUntriedCalibration(const std::string& cameraFile, std::time_t now)
{
	CalibrationNote note;
	if (!readCalibrationNote(cameraFile, note) || note.used)
	{
		return false;
	}
	std::tm written = {};
	std::tm today = {};
	::localtime_r(&note.written, &written);
	::localtime_r(&now, &today);
	return written.tm_year == today.tm_year && written.tm_yday == today.tm_yday;
}
