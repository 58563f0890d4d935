#include "calibration/ErrorOverBoard.h"

#include "core/Homography.h"
#include "markers/ARParam.h"

#include <opencv2/calib3d.hpp>

#include <algorithm>
#include <cmath>
#include <map>

namespace
{

/// Grid step in board pixels, and in camera pixels for the whole picture:
/// the error changes smoothly, a few thousand points follow it closely.
constexpr int gridStep = 10;

/// A group left out must leave enough rows or columns for a map: three.
constexpr int groupsAtLeast = 3;

/// The map fitted again to every group but one, for each group: the groups
/// are the corners' rows, or their columns. Empty when there are too few
/// groups or a fit fails.
std::vector<cv::Matx33d> fitsLeavingOut(const std::vector<FittedCorner>& corners, bool byRow)
{
	std::map<int, int> groups;
	for (const FittedCorner& corner : corners)
	{
		groups[byRow ? corner.row : corner.column] += 1;
	}
	std::vector<cv::Matx33d> fits;
	if (int(groups.size()) < groupsAtLeast)
	{
		return fits;
	}
	for (const auto& [left, count] : groups)
	{
		std::vector<cv::Point2f> camera;
		std::vector<cv::Point2f> projector;
		for (const FittedCorner& corner : corners)
		{
			if ((byRow ? corner.row : corner.column) != left)
			{
				camera.emplace_back(corner.camera);
				projector.emplace_back(corner.projector);
			}
		}
		const cv::Mat fit = camera.size() >= 4 ? cv::findHomography(camera, projector, 0) : cv::Mat();
		if (fit.empty())
		{
			return {};
		}
		fits.emplace_back(fit);
	}
	return fits;
}

/// The jackknife's variance of a set of estimates: (g - 1) / g times their
/// squared spread about their mean.
double jackknifeVariance(const std::vector<cv::Point2d>& estimates)
{
	cv::Point2d mean(0.0, 0.0);
	for (const cv::Point2d& p : estimates)
	{
		mean += p;
	}
	mean /= double(estimates.size());
	double spread = 0.0;
	for (const cv::Point2d& p : estimates)
	{
		spread += (p - mean).dot(p - mean);
	}
	const double g = double(estimates.size());
	return spread * (g - 1.0) / g;
}

/// The larger of two, and no number when either is none: a map that knows
/// nothing somewhere must not look good.
double larger(double a, double b)
{
	return std::isnan(a) || std::isnan(b) ? std::nan("") : std::max(a, b);
}

}  // namespace

ErrorArea boardErrorArea(const cv::Matx33d& boardToIdeal, cv::Size size, const cv::Matx33d& boardToMm)
{
	ErrorArea area;
	area.hasMm = true;
	area.toMm = boardToMm * boardToIdeal.inv();
	for (int y = 0; y <= size.height; y += gridStep)
	{
		for (int x = 0; x <= size.width; x += gridStep)
		{
			area.points.push_back(applyHomography(boardToIdeal, cv::Point2d(std::min(x, size.width - 1), std::min(y, size.height - 1))));
		}
	}
	return area;
}

ErrorArea pictureErrorArea(cv::Size cameraSize, const double distortion[4])
{
	ErrorArea area;
	for (int y = 0; y < cameraSize.height; y += gridStep)
	{
		for (int x = 0; x < cameraSize.width; x += gridStep)
		{
			double ix, iy;
			arParamObserv2Ideal(distortion, x, y, &ix, &iy);
			area.points.emplace_back(ix, iy);
		}
	}
	return area;
}

ErrorOverBoard measureErrorOverBoard(const cv::Matx33d& cameraToProjector, const std::vector<FittedCorner>& corners,
	const ErrorArea& area, cv::Size projectorSize)
{
	ErrorOverBoard error;
	const std::vector<cv::Matx33d> groupFits[2] = {fitsLeavingOut(corners, true), fitsLeavingOut(corners, false)};
	if (groupFits[0].empty() || groupFits[1].empty())
	{
		return error;
	}
	error.measured = true;
	const cv::Matx33d projectorToCamera = cameraToProjector.inv();
	const cv::Rect2d picture(0.0, 0.0, projectorSize.width - 1.0, projectorSize.height - 1.0);
	double squares = 0.0;
	double squaresMm = 0.0;
	double largest = 0.0;
	double largestMm = 0.0;
	std::vector<cv::Point2d> lit;
	std::vector<cv::Point2d> landed;
	for (const cv::Point2d& point : area.points)
	{
		// Light can only be wanted where the projector reaches.
		const cv::Point2d fitted = applyHomography(cameraToProjector, point);
		if (!picture.contains(fitted))
		{
			continue;
		}
		double variance = 0.0;
		double varianceMm = 0.0;
		for (const std::vector<cv::Matx33d>& fits : groupFits)
		{
			lit.clear();
			landed.clear();
			for (const cv::Matx33d& fit : fits)
			{
				lit.push_back(applyHomography(fit, point));
				// Where the light of that pixel lands on the board, as the map has it.
				landed.push_back(applyHomography(area.toMm, applyHomography(projectorToCamera, lit.back())));
			}
			variance = larger(variance, jackknifeVariance(lit));
			varianceMm = larger(varianceMm, jackknifeVariance(landed));
		}
		error.pointsLit += 1;
		squares += variance;
		squaresMm += varianceMm;
		largest = larger(largest, variance);
		largestMm = larger(largestMm, varianceMm);
	}
	if (error.pointsLit == 0)
	{
		return error;
	}
	error.rmsPixels = std::sqrt(squares / error.pointsLit);
	error.largestPixels = std::sqrt(largest);
	if (area.hasMm)
	{
		error.rmsMm = std::sqrt(squaresMm / error.pointsLit);
		error.largestMm = std::sqrt(largestMm);
	}
	return error;
}
