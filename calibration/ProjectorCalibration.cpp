#include "calibration/ProjectorCalibration.h"

#include "core/FixedValues.h"
#include "markers/ARParam.h"
#include "platform/WholeFile.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace
{

/// Squares across the pattern, as many as fit at this size at most; the rows
/// follow from the picture's shape. Smaller squares' codes are too fine for the camera.
constexpr int patternSquaresX = 11;
constexpr int patternSquareAtLeast = 40;
/// The codes come from a dictionary of 100 (CharucoCalibration's): half the
/// squares carry one, so a tall picture's rows stop at 200 squares in all.
constexpr int patternSquaresAtMost = 200;
/// The code in a square takes this share of its side, as on the printed board.
constexpr double patternMarkerShare = 26.0 / 35.0;

/// A corner further from where the fit puts it than this many projector
/// pixels is a wrong detection and is left out.
constexpr double ransacThreshold = 3.0;

/// The projected light is stretched so that this share of it stays below white.
constexpr double stretchQuantile = 0.995;

/// Longest latency a calibration file may hold, in passes.


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

/// What no accepted calibration has: an error above the limit, too few
/// corners, a map turning the board over that the file does not say was
/// measured so. Empty when the figures are those of an accepted calibration.
std::string implausibleFigures(const ProjectorCalibration& read)
{
	// No error is larger than the picture itself.
	const double diagonal = std::hypot(read.projectorSize.width, read.projectorSize.height);
	// Negative millimetres: the board was not seen, and both say so.
	const bool mmKnown = !(read.rmsMm < 0.0 && read.largestMm < 0.0);
	if (!(read.rmsPixels >= 0.0 && read.rmsPixels <= read.largestPixels && read.largestPixels <= diagonal)
		|| (!mmKnown && !(read.largestPixels <= maxCalibrationPixels)))
	{
		return "an error of " + figure(read.rmsPixels) + " projector pixels RMS, " + figure(read.largestPixels)
			+ " at most, which no calibration accepted has (at most " + figure(maxCalibrationPixels, 0)
			+ " when the board was not found, never beyond the picture)";
	}
	if (mmKnown && !(read.rmsMm >= 0.0 && read.rmsMm <= read.largestMm && read.largestMm <= maxCalibrationMm))
	{
		return "an error of " + figure(read.rmsMm) + " mm RMS, " + figure(read.largestMm)
			+ " mm at most, which no calibration accepted has (at most " + figure(maxCalibrationMm, 0) + " mm)";
	}
	if (read.cornersUsed < minCalibrationCorners || read.cornersFound < read.cornersUsed
		|| 2 * read.cornersUsed < read.cornersFound)
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

}  // namespace

CharucoLayout projectorPatternLayout(cv::Size size)
{
	CharucoLayout layout;
	// A margin of half a square all round: the board is one square larger than its squares.
	layout.squaresX = std::clamp(size.width / patternSquareAtLeast - 1, 3, patternSquaresX);
	int square = size.width / (layout.squaresX + 1);
	if (square < 2 || size.height < 8)
	{
		// No room for a chessboard: one square, no corners.
		layout.squaresX = layout.squaresY = 1;
		return layout;
	}
	layout.squaresY = std::clamp(size.height / square - 1, 3, patternSquaresAtMost / layout.squaresX);
	// Even, so that the half-square margin is whole.
	square = std::min(square, size.height / (layout.squaresY + 1)) & ~1;
	layout.squareMm = square;
	layout.markerMm = std::floor(square * patternMarkerShare);
	return layout;
}

CharucoLayout patternLayoutOfSquares(cv::Size part, int square)
{
	CharucoLayout layout;
	square = std::max(2, square & ~1);
	while (part.width / square - 1 >= 3 && part.height / square - 1 >= 3
		&& (part.width / square - 1) * (part.height / square - 1) > patternSquaresAtMost)
	{
		square += 2;
	}
	layout.squaresX = part.width / square - 1;
	layout.squaresY = part.height / square - 1;
	if (layout.squaresX < 3 || layout.squaresY < 3)
	{
		layout.squaresX = layout.squaresY = 1;
		return layout;
	}
	layout.squareMm = square;
	layout.markerMm = std::floor(square * patternMarkerShare);
	return layout;
}

std::string unmeasurablePicture(cv::Size size)
{
	const CharucoLayout layout = projectorPatternLayout(size);
	const std::string picture = "a " + std::to_string(size.width) + " x " + std::to_string(size.height) + " picture";
	const std::string smallest = "the smallest picture measured is " + std::to_string(smallestProjectorPicture.width)
		+ " x " + std::to_string(smallestProjectorPicture.height);
	if (layout.cornerCount() < minPatternCorners)
	{
		return picture + " gives the calibration pattern " + std::to_string(layout.cornerCount()) + " corners, at least "
			+ std::to_string(minPatternCorners) + " are needed: " + smallest;
	}
	if (layout.squareMm < patternSquareAtLeast)
	{
		return picture + " gives the calibration pattern squares of " + std::to_string(int(layout.squareMm))
			+ " pixels, too small for their codes to be read (at least " + std::to_string(patternSquareAtLeast)
			+ "): " + smallest;
	}
	return std::string();
}

ProjectorPattern makeProjectorPattern(cv::Size size)
{
	CV_Assert(size.width >= 160 && size.height >= 120);
	return makeProjectorPattern(size, projectorPatternLayout(size), cv::Rect(cv::Point(), size));
}

ProjectorPattern makeProjectorPattern(cv::Size size, const CharucoLayout& layout, cv::Rect within)
{
	ProjectorPattern pattern;
	pattern.layout = layout;
	const int square = int(layout.squareMm);

	// Lengths are pixels here: one "millimetre" a pixel.
	const cv::Mat board = renderCharucoBoard(layout, 1.0);
	cv::Mat grey = cv::Mat::zeros(size, CV_8UC1);
	const cv::Rect place(within.x + (within.width - board.cols) / 2, within.y + (within.height - board.rows) / 2,
		board.cols, board.rows);
	CV_Assert((place & cv::Rect(cv::Point(), size)) == place);
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

bool mapIsMirrored(const cv::Matx33d& cameraToProjector, cv::Point2d cameraPoint)
{
	// The map's local Jacobian there has the determinant det(H) / w^3, w the
	// third row's value: its sign is that of det(H) w, whatever H's scale.
	const cv::Vec3d q = cameraToProjector * cv::Vec3d(cameraPoint.x, cameraPoint.y, 1.0);
	return cv::determinant(cameraToProjector) * q[2] < 0.0;
}

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

bool fitProjectorCalibration(const ProjectorPattern& pattern, const CharucoView& seen, const double distortion[4],
	const ErrorArea& area, ProjectorCalibration& result, std::string& problem)
{
	result.projectorSize = pattern.picture.size();
	std::vector<FittedCorner> found;
	for (size_t i = 0; i < seen.ids.size() && i < seen.corners.size(); ++i)
	{
		const size_t id = size_t(seen.ids[i]);
		if (id >= pattern.hasCorner.size() || !pattern.hasCorner[id])
		{
			continue;
		}
		FittedCorner corner;
		arParamObserv2Ideal(distortion, seen.corners[i].x, seen.corners[i].y, &corner.camera.x, &corner.camera.y);
		corner.projector = pattern.cornerAt[id];
		// Corners are numbered row by row.
		corner.row = int(id) / (pattern.layout.squaresX - 1);
		corner.column = int(id) % (pattern.layout.squaresX - 1);
		found.push_back(corner);
	}
	result.cornersFound = int(found.size());
	result.cornersUsed = 0;
	result.rmsPixels = result.largestPixels = 0.0;
	result.rmsMm = result.largestMm = -1.0;

	const std::string total = std::to_string(pattern.layout.cornerCount());
	if (result.cornersFound < minCalibrationCorners)
	{
		problem = "the camera found " + std::to_string(result.cornersFound) + " of the pattern's " + total
			+ " corners, at least " + std::to_string(minCalibrationCorners)
			+ " are needed: darken the room or brighten the projector, focus it, and let its picture fall on the board's white paper";
		return false;
	}

	std::vector<cv::Point2f> camera;
	std::vector<cv::Point2f> projector;
	for (const FittedCorner& corner : found)
	{
		camera.emplace_back(corner.camera);
		projector.emplace_back(corner.projector);
	}
	cv::Mat inliers;
	cv::Mat rough = cv::findHomography(camera, projector, cv::RANSAC, ransacThreshold, inliers, 2000, 0.995);
	std::vector<FittedCorner> kept;
	std::vector<cv::Point2f> keptCamera;
	std::vector<cv::Point2f> keptProjector;
	for (size_t i = 0; !rough.empty() && i < found.size(); ++i)
	{
		if (inliers.at<uchar>(int(i)) != 0)
		{
			kept.push_back(found[i]);
			keptCamera.push_back(camera[i]);
			keptProjector.push_back(projector[i]);
		}
	}
	result.cornersUsed = int(kept.size());
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
	if (!finite(result.cameraToProjector))
	{
		problem = "no map fits the corners found: lay the board flat and keep it, the camera and the projector still while the pattern shows";
		return false;
	}
	cv::Point2d middle(0.0, 0.0);
	for (const FittedCorner& corner : kept)
	{
		middle += corner.camera / double(kept.size());
	}
	result.mirrored = mapIsMirrored(result.cameraToProjector, middle);

	const ErrorOverBoard error = measureErrorOverBoard(result.cameraToProjector, kept, area, result.projectorSize);
	result.rmsPixels = error.rmsPixels;
	result.largestPixels = error.largestPixels;
	result.rmsMm = error.rmsMm;
	result.largestMm = error.largestMm;
	if (!error.measured)
	{
		problem = "the " + std::to_string(result.cornersUsed)
			+ " corners used lie in fewer than three rows or three columns of the pattern, which says nothing of the rest of the board: let the projector's picture cover the board's white paper";
		return false;
	}
	if (error.pointsLit == 0)
	{
		problem = "the projector's picture, as the corners place it, misses the board: point the projector at the board";
		return false;
	}
	// Written so that an error that is no number fails.
	if (area.hasMm ? !(result.largestMm <= maxCalibrationMm) : !(result.largestPixels <= maxCalibrationPixels))
	{
		problem = "over the board the map may miss by up to "
			+ (area.hasMm ? figure(result.largestMm) + " mm (" + figure(result.largestPixels) + " projector pixels), more than "
					+ figure(maxCalibrationMm, 0) + " mm"
						  : figure(result.largestPixels) + " projector pixels, more than " + figure(maxCalibrationPixels, 0))
			+ ": let the projector's picture cover the whole board, focus the projector and the camera, keep both still while the pattern shows and lay the board flat";
		return false;
	}
	return true;
}

std::string describeCalibration(const ProjectorCalibration& calibration)
{
	std::string text = "projector calibration: " + std::to_string(calibration.cornersUsed) + " of "
		+ std::to_string(calibration.cornersFound) + " corners used, error over the board "
		+ figure(calibration.rmsPixels) + " projector pixels RMS, at most " + figure(calibration.largestPixels);
	text += calibration.rmsMm >= 0.0
		? " (" + figure(calibration.rmsMm) + " mm RMS, at most " + figure(calibration.largestMm) + " mm)"
		: std::string(" (mm unknown: the board was not found)");
	if (calibration.mirrored)
	{
		text += ", mirrored (the picture reaches the board through a mirror, or the projector is set to rear projection)";
	}
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
	cv::Mat matrix;
	int mirrored = 0;
	try
	{
		cv::FileStorage file(path, cv::FileStorage::READ | cv::FileStorage::FORMAT_YAML);
		if (!file.isOpened())
		{
			error = path + ": cannot read the projector calibration";
			return false;
		}
		// Every figure must be there: a missing one would read as 0.
		for (const char* name : {"cameraParameters", "largestProjectorPixels", "largestMillimetres", "cornersFound",
				 "cornersUsed"})
		{
			if (file[name].empty())
			{
				error = path + ": no " + name + " in it (written by an older version, or cut short)";
				return false;
			}
		}
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
	}
	catch (const cv::Exception&)
	{
		error = path + ": not a projector calibration file (OpenCV cannot parse it)";
		return false;
	}
	read.mirrored = mirrored != 0;
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
	const std::string implausible = implausibleFigures(read);
	if (!implausible.empty())
	{
		error = path + ": " + implausible;
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
