#include "calibration/ProjectorCalibration.h"

#include "core/FixedValues.h"
#include "markers/ARParam.h"
#include "platform/WholeFile.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace
{

/// Squares across the pattern, as many as fit at this size at most; the rows
/// follow from the picture's shape. Smaller squares' codes are too fine for the camera.
constexpr int patternSquaresX = 11;
constexpr int patternSquareAtLeast = 40;
/// The code in a square takes this share of its side, as on the printed board.
constexpr double patternMarkerShare = 26.0 / 35.0;

/// A corner further from where the fit puts it than this many projector
/// pixels is a wrong detection and is left out.
constexpr double ransacThreshold = 3.0;

/// The projected light is stretched so that this share of it stays below white.
constexpr double stretchQuantile = 0.995;

/// Longest latency a calibration file may hold, in passes.


cv::Point2d apply(const cv::Matx33d& h, cv::Point2d p)
{
	const cv::Vec3d q = h * cv::Vec3d(p.x, p.y, 1.0);
	return cv::Point2d(q[0] / q[2], q[1] / q[2]);
}

bool finite(const cv::Matx33d& m)
{
	for (int i = 0; i < 9; ++i)
	{
		if (!std::isfinite(m.val[i]))
		{
			return false;
		}
	}
	return true;
}

std::string figure(double value, int decimals = 2)
{
	std::ostringstream text;
	text.setf(std::ios::fixed);
	text.precision(decimals);
	text << value;
	return text.str();
}

}  // namespace

ProjectorPattern makeProjectorPattern(cv::Size size)
{
	CV_Assert(size.width >= 160 && size.height >= 120);
	ProjectorPattern pattern;
	CharucoLayout& layout = pattern.layout;
	// A margin of half a square all round: the board is one square larger than its squares.
	layout.squaresX = std::clamp(size.width / patternSquareAtLeast - 1, 3, patternSquaresX);
	int square = size.width / (layout.squaresX + 1);
	layout.squaresY = std::max(3, size.height / square - 1);
	// Even, so that the half-square margin is whole.
	square = std::min(square, size.height / (layout.squaresY + 1)) & ~1;
	layout.squareMm = square;
	layout.markerMm = std::floor(square * patternMarkerShare);

	// Lengths are pixels here: one "millimetre" a pixel.
	const cv::Mat board = renderCharucoBoard(layout, 1.0);
	cv::Mat grey = cv::Mat::zeros(size, CV_8UC1);
	const cv::Rect place((size.width - board.cols) / 2, (size.height - board.rows) / 2, board.cols, board.rows);
	board.copyTo(grey(place));
	cv::cvtColor(grey, pattern.picture, cv::COLOR_GRAY2BGR);

	// The chessboard alone: each square takes the colour the coded board has
	// just inside its corner, where no code reaches.
	cv::Mat plain = cv::Mat::zeros(size, CV_8UC1);
	const int inset = std::max(1, square / 10);
	for (int row = 0; row < layout.squaresY; ++row)
	{
		for (int col = 0; col < layout.squaresX; ++col)
		{
			const cv::Rect cell(place.x + square / 2 + col * square, place.y + square / 2 + row * square, square, square);
			plain(cell).setTo(grey.at<uchar>(cell.y + inset, cell.x + inset));
		}
	}
	cv::cvtColor(plain, pattern.chessboard, cv::COLOR_GRAY2BGR);

	const CharucoView found = findCharucoCorners(layout, grey, 1);
	pattern.cornerAt.assign(size_t(layout.cornerCount()), cv::Point2f());
	pattern.hasCorner.assign(size_t(layout.cornerCount()), false);
	// The codes give each corner its number; the plain chessboard's squares,
	// drawn on whole pixels, put it exactly between four pixels.
	for (size_t i = 0; i < found.ids.size(); ++i)
	{
		const cv::Point2f origin(place.x + square / 2 - 0.5f, place.y + square / 2 - 0.5f);
		const cv::Point2f steps = (found.corners[i] - origin) / float(square);
		const cv::Point2f exact = origin + cv::Point2f(std::round(steps.x), std::round(steps.y)) * float(square);
		if (cv::norm(exact - found.corners[i]) < square / 4.0)
		{
			pattern.cornerAt[size_t(found.ids[i])] = exact;
			pattern.hasCorner[size_t(found.ids[i])] = true;
		}
	}
	return pattern;
}

cv::Mat largestChannel(const cv::Mat& bgr)
{
	CV_Assert(bgr.type() == CV_8UC3);
	cv::Mat channels[3];
	cv::split(bgr, channels);
	return cv::max(cv::max(channels[0], channels[1]), channels[2]);
}

cv::Mat projectedLight(const cv::Mat& litFrame, const cv::Mat& darkFrame)
{
	CV_Assert(litFrame.type() == CV_8UC3 && darkFrame.type() == CV_8UC3 && litFrame.size() == darkFrame.size());
	cv::Mat added;
	cv::subtract(litFrame, darkFrame, added);
	cv::Mat light = largestChannel(added);

	int histogram[256] = {};
	for (auto it = light.begin<uchar>(); it != light.end<uchar>(); ++it)
	{
		histogram[*it] += 1;
	}
	const double below = stretchQuantile * double(light.total());
	double counted = 0.0;
	int top = 0;
	while (top < 255 && (counted += histogram[top]) < below)
	{
		++top;
	}
	if (top > 0)
	{
		light.convertTo(light, CV_8U, 255.0 / top);
	}
	return light;
}

CharucoView placeOnChessboard(const CharucoView& named, const cv::Mat& chessboardLight)
{
	CharucoView placed;
	if (named.corners.size() < 2 || chessboardLight.empty())
	{
		return placed;
	}
	// The search window reaches a third of the way to the nearest corner, so
	// it holds the corner's four squares and nothing else.
	std::vector<cv::Point2f> corners;
	std::vector<int> ids;
	for (size_t i = 0; i < named.corners.size(); ++i)
	{
		double nearest = 1e9;
		for (size_t j = 0; j < named.corners.size(); ++j)
		{
			if (j != i)
			{
				nearest = std::min(nearest, double(cv::norm(named.corners[i] - named.corners[j])));
			}
		}
		const int half = int(nearest / 3.0);
		const cv::Point2f p = named.corners[i];
		if (half < 2 || p.x < half + 1 || p.y < half + 1 || p.x >= chessboardLight.cols - half - 1
			|| p.y >= chessboardLight.rows - half - 1)
		{
			continue;
		}
		std::vector<cv::Point2f> one = {p};
		cv::cornerSubPix(chessboardLight, one, cv::Size(half, half), cv::Size(-1, -1),
			cv::TermCriteria(cv::TermCriteria::EPS + cv::TermCriteria::COUNT, 40, 0.001));
		// A corner that wanders far was not a corner of the chessboard there.
		if (cv::norm(one[0] - p) <= half / 2.0)
		{
			placed.corners.push_back(one[0]);
			placed.ids.push_back(named.ids[i]);
		}
	}
	return placed;
}

bool fitProjectorCalibration(const ProjectorPattern& pattern, const CharucoView& seen, const double distortion[4],
	const cv::Matx33d* idealToBoardMm, ProjectorCalibration& result, std::string& problem)
{
	result.projectorSize = pattern.picture.size();
	std::vector<cv::Point2f> camera;
	std::vector<cv::Point2f> projector;
	for (size_t i = 0; i < seen.ids.size() && i < seen.corners.size(); ++i)
	{
		const size_t id = size_t(seen.ids[i]);
		if (id >= pattern.hasCorner.size() || !pattern.hasCorner[id])
		{
			continue;
		}
		double x, y;
		arParamObserv2Ideal(distortion, seen.corners[i].x, seen.corners[i].y, &x, &y);
		camera.emplace_back(float(x), float(y));
		projector.push_back(pattern.cornerAt[id]);
	}
	result.cornersFound = int(camera.size());
	result.cornersUsed = 0;
	result.rmsPixels = 0.0;
	result.rmsMm = -1.0;

	const std::string total = std::to_string(pattern.layout.cornerCount());
	if (result.cornersFound < minCalibrationCorners)
	{
		problem = "the camera found " + std::to_string(result.cornersFound) + " of the pattern's " + total
			+ " corners, at least " + std::to_string(minCalibrationCorners)
			+ " are needed: darken the room or brighten the projector, focus it, and let its picture fall on the board's white paper";
		return false;
	}

	cv::Mat inliers;
	cv::Mat rough = cv::findHomography(camera, projector, cv::RANSAC, ransacThreshold, inliers, 2000, 0.995);
	std::vector<cv::Point2f> keptCamera;
	std::vector<cv::Point2f> keptProjector;
	for (size_t i = 0; !rough.empty() && i < camera.size(); ++i)
	{
		if (inliers.at<uchar>(int(i)) != 0)
		{
			keptCamera.push_back(camera[i]);
			keptProjector.push_back(projector[i]);
		}
	}
	result.cornersUsed = int(keptCamera.size());
	// Most corners must agree: a fit that only a few support is chance.
	if (result.cornersUsed < minCalibrationCorners || 2 * result.cornersUsed < result.cornersFound)
	{
		problem = "only " + std::to_string(result.cornersUsed) + " of the " + std::to_string(result.cornersFound)
			+ " corners found agree on one table plane: keep the camera, the projector and the board still while the pattern shows, and lay the board flat";
		return false;
	}
	// Least squares over the corners kept, refined by OpenCV.
	const cv::Mat fine = cv::findHomography(keptCamera, keptProjector, 0);
	result.cameraToProjector = cv::Matx33d(fine.empty() ? rough : fine);

	double squares = 0.0;
	double squaresMm = 0.0;
	const cv::Matx33d projectorToCamera = result.cameraToProjector.inv();
	for (size_t i = 0; i < keptCamera.size(); ++i)
	{
		const cv::Point2d fitted = apply(result.cameraToProjector, keptCamera[i]);
		const cv::Point2d miss = fitted - cv::Point2d(keptProjector[i]);
		squares += miss.dot(miss);
		if (idealToBoardMm != nullptr)
		{
			// Where the camera saw the corner, and where the fit says the projector put it.
			const cv::Point2d seenMm = apply(*idealToBoardMm, keptCamera[i]);
			const cv::Point2d litMm = apply(*idealToBoardMm, apply(projectorToCamera, keptProjector[i]));
			squaresMm += (seenMm - litMm).dot(seenMm - litMm);
		}
	}
	result.rmsPixels = std::sqrt(squares / double(keptCamera.size()));
	if (idealToBoardMm != nullptr)
	{
		result.rmsMm = std::sqrt(squaresMm / double(keptCamera.size()));
	}

	// Written so that an error that is no number fails: -1 millimetres means
	// none was measured.
	if (!finite(result.cameraToProjector) || !(result.rmsPixels <= maxCalibrationPixels)
		|| !(result.rmsMm <= maxCalibrationMm))
	{
		problem = "the fit misses by " + figure(result.rmsPixels) + " projector pixels"
			+ (result.rmsMm >= 0.0 ? " (" + figure(result.rmsMm) + " mm on the board)" : std::string())
			+ " on average, more than " + figure(maxCalibrationPixels, 0) + " (" + figure(maxCalibrationMm, 0)
			+ " mm): focus the projector and the camera, keep both still while the pattern shows, lay the board flat and let the picture cover it";
		return false;
	}
	return true;
}

std::string describeCalibration(const ProjectorCalibration& calibration)
{
	std::string text = "projector calibration: " + std::to_string(calibration.cornersUsed) + " of "
		+ std::to_string(calibration.cornersFound) + " corners used, error " + figure(calibration.rmsPixels)
		+ " projector pixels";
	text += calibration.rmsMm >= 0.0 ? " (" + figure(calibration.rmsMm) + " mm on the board)"
									 : std::string(" (mm unknown: the board was not found)");
	return text + ", camera latency " + std::to_string(calibration.latencyPasses) + " passes";
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
		file << "cameraToProjector" << cv::Mat(calibration.cameraToProjector);
		file << "latencyPasses" << calibration.latencyPasses;
		file << "rmsProjectorPixels" << calibration.rmsPixels;
		file << "rmsMillimetres" << calibration.rmsMm;
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
	cv::Mat matrix;
	try
	{
		cv::FileStorage file(path, cv::FileStorage::READ | cv::FileStorage::FORMAT_YAML);
		if (!file.isOpened())
		{
			error = path + ": cannot read the projector calibration";
			return false;
		}
		file["projectorSize"] >> read.projectorSize;
		file["cameraSize"] >> read.cameraSize;
		file["cameraToProjector"] >> matrix;
		file["latencyPasses"] >> read.latencyPasses;
		file["rmsProjectorPixels"] >> read.rmsPixels;
		file["rmsMillimetres"] >> read.rmsMm;
		file["cornersFound"] >> read.cornersFound;
		file["cornersUsed"] >> read.cornersUsed;
		if (!file["paperLight"].empty())
		{
			file["paperLight"] >> read.paperLight;
		}
	}
	catch (const cv::Exception&)
	{
		error = path + ": not a projector calibration file (OpenCV cannot parse it)";
		return false;
	}
	if (matrix.rows != 3 || matrix.cols != 3 || matrix.channels() != 1)
	{
		error = path + ": cameraToProjector must be a 3 x 3 matrix";
		return false;
	}
	matrix.convertTo(matrix, CV_64F);
	read.cameraToProjector = cv::Matx33d(matrix);
	if (!finite(read.cameraToProjector) || std::fabs(cv::determinant(read.cameraToProjector)) < 1e-12)
	{
		error = path + ": cameraToProjector cannot be inverted";
		return false;
	}
	if (read.projectorSize.width <= 0 || read.projectorSize.height <= 0 || read.cameraSize.width <= 0
		|| read.cameraSize.height <= 0)
	{
		error = path + ": projectorSize and cameraSize must be positive";
		return false;
	}
	for (int c = 0; c < 3; ++c)
	{
		if (!(read.paperLight[c] > 0.0 && read.paperLight[c] <= 255.0))
		{
			error = path + ": paperLight must be above 0 and at most 255 in every channel";
			return false;
		}
	}
	if (read.latencyPasses < 0 || read.latencyPasses > longestLatencyPasses)
	{
		error = path + ": latencyPasses must be 0 to " + std::to_string(longestLatencyPasses);
		return false;
	}
	calibration = read;
	return true;
}

cv::Vec3d paperLightOf(const cv::Mat& litFrame, const cv::Mat& darkFrame)
{
	cv::Vec3d light(255.0, 255.0, 255.0);
	if (litFrame.empty() || litFrame.size() != darkFrame.size() || litFrame.type() != CV_8UC3
		|| darkFrame.type() != CV_8UC3)
	{
		return light;
	}
	cv::Mat gained;
	cv::subtract(litFrame, darkFrame, gained);
	const cv::Mat lit = largestChannel(gained) > 20;
	cv::Mat channels[3];
	cv::split(gained, channels);
	for (int c = 0; c < 3; ++c)
	{
		std::vector<uchar> values;
		for (int y = 0; y < lit.rows; ++y)
		{
			for (int x = 0; x < lit.cols; ++x)
			{
				if (lit.at<uchar>(y, x) != 0)
				{
					values.push_back(channels[c].at<uchar>(y, x));
				}
			}
		}
		if (values.size() < 100)
		{
			return cv::Vec3d(255.0, 255.0, 255.0);
		}
		const auto at = values.begin() + long(values.size() * 95 / 100);
		std::nth_element(values.begin(), at, values.end());
		light[c] = std::max(1.0, double(*at));
	}
	return light;
}
