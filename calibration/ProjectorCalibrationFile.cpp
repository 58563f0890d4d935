#include "calibration/ProjectorCalibrationFile.h"

#include "core/FixedValues.h"
#include "platform/WholeFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>

namespace
{

/// Figures that disagree with each other, or that no accepted calibration
/// has (see cornersAgree, errorWithinLimit): an error above the limit, too
/// few corners, a map turning the board over that the file does not say was
/// measured so. Empty when the figures are those of an accepted calibration.
std::string implausibleFigures(const ProjectorCalibration& read)
{
	// No error is larger than the picture itself.
	const double diagonal = std::hypot(read.projectorSize.width, read.projectorSize.height);
	const bool mmKnown = millimetresKnown(read);
	if (!(read.rmsPixels >= 0.0 && read.rmsPixels <= read.largestPixels && read.largestPixels <= diagonal)
		|| (!mmKnown && !errorWithinLimit(read)))
	{
		return cv::format("an error of %.2f projector pixels RMS, %.2f at most, which no calibration accepted has "
						  "(at most %.0f when the board was not found, never beyond the picture)",
			read.rmsPixels, read.largestPixels, maxCalibrationPixels);
	}
	if (mmKnown && !(read.rmsMm >= 0.0 && read.rmsMm <= read.largestMm && errorWithinLimit(read)))
	{
		return cv::format("an error of %.2f mm RMS, %.2f mm at most, which no calibration accepted has (at most %.0f mm)",
			read.rmsMm, read.largestMm, maxCalibrationMm);
	}
	if (!cornersAgree(read.cornersUsed, read.cornersFound))
	{
		return "cornersUsed " + std::to_string(read.cornersUsed) + " of cornersFound " + std::to_string(read.cornersFound)
			+ ", which no calibration accepted has (at least " + std::to_string(minCalibrationCorners)
			+ ", and most of those found)";
	}
	const cv::Point2d middle(read.cameraSize.width / 2.0, read.cameraSize.height / 2.0);
	if (mapIsMirrored(read.cameraToProjector, middle) != read.mirrored)
	{
		return read.mirrored ? std::string("the file says the map is mirrored, but cameraToProjector is not")
							 : std::string("cameraToProjector turns the board over, which a projector above the board cannot do (one seen in a mirror is measured so and the file says mirrored: 1)");
	}
	return std::string();
}

/// What a file's values must be before its figures are judged; empty when they are.
std::string unusableValues(const ProjectorCalibration& read)
{
	if (!cv::checkRange(read.cameraToProjector) || std::fabs(cv::determinant(read.cameraToProjector)) < 1e-12)
	{
		return "cameraToProjector cannot be inverted";
	}
	if (read.projectorSize.width <= 0 || read.projectorSize.height <= 0 || read.cameraSize.width <= 0
		|| read.cameraSize.height <= 0)
	{
		return "projectorSize and cameraSize must be positive";
	}
	for (int c = 0; c < 3; ++c)
	{
		if (!(read.paperLight[c] > 0.0 && read.paperLight[c] <= 255.0))
		{
			return "paperLight must be above 0 and at most 255 in every channel";
		}
	}
	if (read.latencyPasses < 0 || read.latencyPasses > longestLatencyPasses)
	{
		return "latencyPasses must be 0 to " + std::to_string(longestLatencyPasses);
	}
	return implausibleFigures(read);
}

/// The calibration in `file`, every figure there; empty `error` when it is.
ProjectorCalibration readFigures(const cv::FileStorage& file, std::string& error)
{
	ProjectorCalibration read;
	// Every figure must be there: a missing one would read as 0.
	for (const char* name : {"cameraParameters", "largestProjectorPixels", "largestMillimetres", "cornersFound",
			 "cornersUsed"})
	{
		if (file[name].empty())
		{
			error = std::string("no ") + name + " in it (written by an older version, or cut short)";
			return read;
		}
	}
	cv::Mat matrix;
	int mirrored = 0;
	file["projectorSize"] >> read.projectorSize;
	file["cameraSize"] >> read.cameraSize;
	file["cameraParameters"] >> read.cameraParameters;
	file["cameraToProjector"] >> matrix;
	file["mirrored"] >> mirrored;
	file["latencyPasses"] >> read.latencyPasses;
	file["rmsProjectorPixels"] >> read.rmsPixels;
	file["largestProjectorPixels"] >> read.largestPixels;
	file["rmsMillimetres"] >> read.rmsMm;
	file["largestMillimetres"] >> read.largestMm;
	file["cornersFound"] >> read.cornersFound;
	file["cornersUsed"] >> read.cornersUsed;
	if (!file["paperLight"].empty())
	{
		file["paperLight"] >> read.paperLight;
	}
	read.mirrored = mirrored != 0;
	if (matrix.rows != 3 || matrix.cols != 3 || matrix.channels() != 1)
	{
		error = "cameraToProjector must be a 3 x 3 matrix";
		return read;
	}
	matrix.convertTo(matrix, CV_64F);
	read.cameraToProjector = cv::Matx33d(matrix);
	return read;
}

}  // namespace

std::string cameraParametersRecord(const std::string& path)
{
	std::ifstream file(path, std::ios::binary);
	if (!file)
	{
		return std::string();
	}
	uint64_t sum = 14695981039346656037ull;
	uint64_t bytes = 0;
	char c;
	while (file.get(c))
	{
		sum = (sum ^ uint64_t(uint8_t(c))) * 1099511628211ull;
		bytes += 1;
	}
	char text[64];
	std::snprintf(text, sizeof text, "fnv1a64 %016llx, %llu bytes", (unsigned long long)sum, (unsigned long long)bytes);
	return text;
}

bool saveProjectorCalibration(const std::string& path, const ProjectorCalibration& calibration, std::string& error)
{
	std::string text;
	try
	{
		// Into memory, whatever the path's extension says; the bytes are written whole below.
		cv::FileStorage file(".yml", cv::FileStorage::WRITE | cv::FileStorage::MEMORY | cv::FileStorage::FORMAT_YAML);
		file.writeComment("Camera to projector for the table plane, written by drawtable's calibration (key c).");
		file << "projectorSize" << calibration.projectorSize;
		file << "cameraSize" << calibration.cameraSize;
		file << "cameraParameters" << calibration.cameraParameters;
		file << "cameraToProjector" << cv::Mat(calibration.cameraToProjector);
		file << "mirrored" << int(calibration.mirrored);
		file << "latencyPasses" << calibration.latencyPasses;
		file << "rmsProjectorPixels" << calibration.rmsPixels;
		file << "largestProjectorPixels" << calibration.largestPixels;
		file << "rmsMillimetres" << calibration.rmsMm;
		file << "largestMillimetres" << calibration.largestMm;
		file << "cornersFound" << calibration.cornersFound;
		file << "cornersUsed" << calibration.cornersUsed;
		file << "paperLight" << cv::Vec3d(calibration.paperLight);
		text = file.releaseAndGetString();
	}
	catch (const cv::Exception&)
	{
		error = path + ": cannot write the projector calibration (OpenCV cannot encode it)";
		return false;
	}
	// A reader never sees half a file, nor a power cut a lost one.
	const std::error_code failure = writeWholeFile(path, text.data(), text.size());
	if (failure)
	{
		error = path + ": cannot write the projector calibration: " + failure.message();
		return false;
	}
	return true;
}

bool loadProjectorCalibration(const std::string& path, ProjectorCalibration& calibration, std::string& error)
{
	ProjectorCalibration read;
	std::string problem;
	try
	{
		cv::FileStorage file(path, cv::FileStorage::READ | cv::FileStorage::FORMAT_YAML);
		if (!file.isOpened())
		{
			error = path + ": cannot read the projector calibration";
			return false;
		}
		read = readFigures(file, problem);
	}
	catch (const cv::Exception&)
	{
		error = path + ": not a projector calibration file (OpenCV cannot parse it)";
		return false;
	}
	if (problem.empty())
	{
		problem = unusableValues(read);
	}
	if (!problem.empty())
	{
		error = path + ": " + problem;
		return false;
	}
	calibration = read;
	return true;
}
