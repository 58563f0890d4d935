#include "calibration/ProjectorFit.h"

#include "markers/ARParam.h"

#include <opencv2/calib3d.hpp>

#include <cmath>
#include <vector>

namespace
{

/// A corner further from where the fit puts it than this many projector
/// pixels is a wrong detection and is left out.
constexpr double ransacThreshold = 3.0;

/// The pattern's corners among those `seen`, each where the camera saw it
/// (ideal pixels) and where the projector drew it.
std::vector<FittedCorner> cornersOfPattern(const ProjectorPattern& pattern, const CharucoView& seen,
	const double distortion[4])
{
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
	return found;
}

/// Where the camera saw `corners` and where the projector drew them, as
/// OpenCV's fits take them.
void placesOf(const std::vector<FittedCorner>& corners, std::vector<cv::Point2f>& camera,
	std::vector<cv::Point2f>& projector)
{
	for (const FittedCorner& corner : corners)
	{
		camera.emplace_back(corner.camera);
		projector.emplace_back(corner.projector);
	}
}

/// The map RANSAC finds over `found`, and the corners that agree with it
/// (none when it finds no map).
cv::Mat robustMap(const std::vector<FittedCorner>& found, std::vector<FittedCorner>& agreeing)
{
	std::vector<cv::Point2f> camera;
	std::vector<cv::Point2f> projector;
	placesOf(found, camera, projector);
	cv::Mat inliers;
	const cv::Mat map = cv::findHomography(camera, projector, cv::RANSAC, ransacThreshold, inliers, 2000, 0.995);
	for (size_t i = 0; !map.empty() && i < found.size(); ++i)
	{
		if (inliers.at<uchar>(int(i)) != 0)
		{
			agreeing.push_back(found[i]);
		}
	}
	return map;
}

/// The least-squares map over `corners`, refined by OpenCV; `rough` when there is none.
cv::Matx33d finestMap(const std::vector<FittedCorner>& corners, const cv::Mat& rough)
{
	std::vector<cv::Point2f> camera;
	std::vector<cv::Point2f> projector;
	placesOf(corners, camera, projector);
	const cv::Mat fine = cv::findHomography(camera, projector, 0);
	return cv::Matx33d(fine.empty() ? rough : fine);
}

}  // namespace

bool cornersAgree(int cornersUsed, int cornersFound)
{
	return cornersUsed >= minCalibrationCorners && cornersUsed <= cornersFound && 2 * cornersUsed >= cornersFound;
}

bool millimetresKnown(const ProjectorCalibration& calibration)
{
	// Unknown, both are negative; an error that is no number is known to be wrong.
	return !(calibration.rmsMm < 0.0 && calibration.largestMm < 0.0);
}

bool errorWithinLimit(const ProjectorCalibration& calibration)
{
	// Written so that an error that is no number fails.
	return millimetresKnown(calibration) ? calibration.largestMm <= maxCalibrationMm
										 : calibration.largestPixels <= maxCalibrationPixels;
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
	if (layout.squareSide < smallestPatternSquare)
	{
		return picture + " gives the calibration pattern squares of " + std::to_string(int(layout.squareSide))
			+ " pixels, too small for their codes to be read (at least " + std::to_string(smallestPatternSquare)
			+ "): " + smallest;
	}
	return std::string();
}

bool mapIsMirrored(const cv::Matx33d& cameraToProjector, cv::Point2d cameraPoint)
{
	// The map's local Jacobian there has the determinant det(H) / w^3, w the
	// third row's value: its sign is that of det(H) w, whatever H's scale.
	const cv::Vec3d q = cameraToProjector * cv::Vec3d(cameraPoint.x, cameraPoint.y, 1.0);
	return cv::determinant(cameraToProjector) * q[2] < 0.0;
}

bool fitProjectorCalibration(const ProjectorPattern& pattern, const CharucoView& seen, const double distortion[4],
	const ErrorArea& area, ProjectorCalibration& result, std::string& problem)
{
	result.projectorSize = pattern.picture.size();
	const std::vector<FittedCorner> found = cornersOfPattern(pattern, seen, distortion);
	result.cornersFound = int(found.size());
	result.cornersUsed = 0;
	result.rmsPixels = result.largestPixels = 0.0;
	result.rmsMm = result.largestMm = -1.0;
	if (result.cornersFound < minCalibrationCorners)
	{
		problem = "the camera found " + std::to_string(result.cornersFound) + " of the pattern's "
			+ std::to_string(pattern.layout.cornerCount()) + " corners, at least " + std::to_string(minCalibrationCorners)
			+ " are needed: darken the room or brighten the projector, focus it, and let its picture fall on the board's white paper";
		return false;
	}

	std::vector<FittedCorner> kept;
	const cv::Mat rough = robustMap(found, kept);
	result.cornersUsed = int(kept.size());
	if (!cornersAgree(result.cornersUsed, result.cornersFound))
	{
		problem = "only " + std::to_string(result.cornersUsed) + " of the " + std::to_string(result.cornersFound)
			+ " corners found agree on one table plane: keep the camera, the projector and the board still while the pattern shows, and lay the board flat";
		return false;
	}
	result.cameraToProjector = finestMap(kept, rough);
	if (!cv::checkRange(result.cameraToProjector))
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
	if (!errorWithinLimit(result))
	{
		problem = "over the board the map may miss by up to "
			+ (millimetresKnown(result)
					? cv::format("%.2f mm (%.2f projector pixels), more than %.0f mm", result.largestMm,
						  result.largestPixels, maxCalibrationMm)
					: cv::format("%.2f projector pixels, more than %.0f", result.largestPixels, maxCalibrationPixels))
			+ ": let the projector's picture cover the whole board, focus the projector and the camera, keep both still while the pattern shows and lay the board flat";
		return false;
	}
	return true;
}

std::string describeCalibration(const ProjectorCalibration& calibration)
{
	std::string text = "projector calibration: " + std::to_string(calibration.cornersUsed) + " of "
		+ std::to_string(calibration.cornersFound) + " corners used, error over the board "
		+ cv::format("%.2f projector pixels RMS, at most %.2f", calibration.rmsPixels, calibration.largestPixels);
	text += millimetresKnown(calibration)
		? cv::format(" (%.2f mm RMS, at most %.2f mm)", calibration.rmsMm, calibration.largestMm)
		: std::string(" (mm unknown: the board was not found)");
	if (calibration.mirrored)
	{
		text += ", mirrored (the picture reaches the board through a mirror, or the projector is set to rear projection)";
	}
	return text + ", camera latency " + std::to_string(calibration.latencyPasses) + " passes";
}
