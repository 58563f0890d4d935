#include "calibration/PatternOnBoard.h"

#include "calibration/ProjectorFit.h"
#include "core/Homography.h"
#include "markers/ARParam.h"

#include <opencv2/calib3d.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// A rough map needs this many corners that agree: four give a map, the rest
/// check it.
constexpr int roughCornersAtLeast = 6;
/// Projector pixels a corner may lie off the rough map.
constexpr double roughThreshold = 3.0;

/// Camera pixels across a square of the measuring pattern: its code is read
/// at that size through the lens's blur and the sensor's grain.
constexpr double squareInCamera = 36.0;

/// Camera pixels a projector pixel at `p` spans, through `projectorToCamera`.
double cameraPixelsPerProjectorPixel(const cv::Matx33d& projectorToCamera, cv::Point2d p)
{
	const cv::Point2d at = applyHomography(projectorToCamera, p);
	const cv::Point2d across = applyHomography(projectorToCamera, p + cv::Point2d(1.0, 0.0)) - at;
	const cv::Point2d down = applyHomography(projectorToCamera, p + cv::Point2d(0.0, 1.0)) - at;
	return std::sqrt(std::fabs(across.cross(down)));
}

}  // namespace

bool roughCameraToProjector(const ProjectorPattern& pattern, const CharucoView& seen, const double distortion[4],
	cv::Matx33d& cameraToProjector)
{
	std::vector<cv::Point2f> camera;
	std::vector<cv::Point2f> projector;
	for (size_t i = 0; i < seen.ids.size() && i < seen.corners.size(); ++i)
	{
		const size_t id = size_t(seen.ids[i]);
		if (id < pattern.hasCorner.size() && pattern.hasCorner[id])
		{
			double x, y;
			arParamObserv2Ideal(distortion, seen.corners[i].x, seen.corners[i].y, &x, &y);
			camera.emplace_back(float(x), float(y));
			projector.push_back(pattern.cornerAt[id]);
		}
	}
	if (int(camera.size()) < roughCornersAtLeast)
	{
		return false;
	}
	cv::Mat inliers;
	const cv::Mat rough = cv::findHomography(camera, projector, cv::RANSAC, roughThreshold, inliers, 2000, 0.995);
	const int agreeing = rough.empty() ? 0 : cv::countNonZero(inliers);
	if (agreeing < roughCornersAtLeast || 2 * agreeing < int(camera.size()))
	{
		return false;
	}
	cameraToProjector = cv::Matx33d(rough);
	for (int i = 0; i < 9; ++i)
	{
		if (!std::isfinite(cameraToProjector.val[i]))
		{
			return false;
		}
	}
	return std::fabs(cv::determinant(cameraToProjector)) > 0.0;
}

cv::Rect pictureOverArea(cv::Size size, const cv::Matx33d& cameraToProjector, const ErrorArea& area)
{
	double left = size.width, top = size.height, right = 0.0, bottom = 0.0;
	for (const cv::Point2d& point : area.points)
	{
		const cv::Vec3d q = cameraToProjector * cv::Vec3d(point.x, point.y, 1.0);
		// A point the map sends to infinity bounds nothing.
		if (!(q[2] > 0.0) && !(q[2] < 0.0))
		{
			continue;
		}
		const cv::Point2d p(q[0] / q[2], q[1] / q[2]);
		left = std::min(left, p.x);
		top = std::min(top, p.y);
		right = std::max(right, p.x);
		bottom = std::max(bottom, p.y);
	}
	if (!(right > left && bottom > top))
	{
		return cv::Rect();
	}
	const cv::Rect round(cv::Point(int(std::max(0.0, std::ceil(left))), int(std::max(0.0, std::ceil(top)))),
		cv::Point(int(std::min(double(size.width), std::floor(right))), int(std::min(double(size.height), std::floor(bottom)))));
	return round.width > 0 && round.height > 0 ? round : cv::Rect();
}

ProjectorPattern patternOverPart(cv::Size size, cv::Rect part, const cv::Matx33d& cameraToProjector)
{
	ProjectorPattern none;
	if (part.empty())
	{
		return none;
	}
	// Squares as large as the camera needs where it sees them smallest.
	const cv::Matx33d projectorToCamera = cameraToProjector.inv();
	double smallest = cameraPixelsPerProjectorPixel(projectorToCamera, (part.tl() + part.br()) / 2);
	for (const cv::Point corner : {part.tl(), part.br(), cv::Point(part.x, part.br().y), cv::Point(part.br().x, part.y)})
	{
		smallest = std::min(smallest, cameraPixelsPerProjectorPixel(projectorToCamera, corner));
	}
	if (!(smallest > 0.0))
	{
		return none;
	}
	const int square = std::max(smallestPatternSquare, int(std::ceil(squareInCamera / smallest)));
	const CharucoLayout layout = patternLayoutOfSquares(part.size(), square);
	if (layout.cornerCount() < minPatternCorners)
	{
		return none;
	}
	return makeProjectorPattern(size, layout, part);
}
