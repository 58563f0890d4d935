#include "markers/MarkerTracker.h"

#include <opencv2/calib3d.hpp>

#include <cmath>

namespace
{

/// The detected marker of a pattern; the biggest when several show the same code.
int findPattern(const ARMarkerInfo* markers, int count, int pattern)
{
	int best = -1;
	for (int i = 0; i < count; ++i)
	{
		if (markers[i].id == pattern && (best < 0 || markers[i].area > markers[best].area))
		{
			best = i;
		}
	}
	return best;
}

bool allInPlaneZ0(const std::vector<cv::Point3d>& points)
{
	for (const cv::Point3d& point : points)
	{
		if (std::abs(point.z) > 1e-9)
		{
			return false;
		}
	}
	return true;
}

}  // namespace

double MarkerTracker::arMultiGetTransMat(ARMarkerInfo* marker_info, int marker_num, ARMultiMarkerInfoT* config)
{
	std::vector<cv::Point3d> setPoints;
	std::vector<cv::Point2d> imagePoints;
	for (ARMultiEachMarkerInfoT& marker : config->marker)
	{
		marker.visible = findPattern(marker_info, marker_num, marker.patt_id);
		if (marker.visible < 0)
		{
			continue;
		}
		const ARMarkerInfo& seen = marker_info[marker.visible];
		for (int corner = 0; corner < 4; ++corner)
		{
			setPoints.emplace_back(marker.pos3d[corner][0], marker.pos3d[corner][1], marker.pos3d[corner][2]);
			cv::Point2d image(seen.vertex[corner][0], seen.vertex[corner][1]);
			if (arFittingMode == AR_FITTING_TO_IDEAL)
			{
				arParamObserv2Ideal(camera.dist_factor, image.x, image.y, &image.x, &image.y);
			}
			imagePoints.push_back(image);
		}
	}
	if (setPoints.empty())
	{
		config->prevF = 0;
		return -1.0;
	}

	const cv::Matx33d cameraMatrix(camera.mat[0][0], camera.mat[0][1], camera.mat[0][2], camera.mat[1][0],
		camera.mat[1][1], camera.mat[1][2], camera.mat[2][0], camera.mat[2][1], camera.mat[2][2]);
	cv::Mat rotation, translation;
	// Flat sets have a closed-form pose; markers standing off the plane need
	// the general solver.
	const int method = allInPlaneZ0(setPoints) ? cv::SOLVEPNP_IPPE : cv::SOLVEPNP_SQPNP;
	if (!cv::solvePnP(setPoints, imagePoints, cameraMatrix, cv::noArray(), rotation, translation, false, method))
	{
		config->prevF = 0;
		return -1.0;
	}
	cv::solvePnPRefineLM(setPoints, imagePoints, cameraMatrix, cv::noArray(), rotation, translation);

	std::vector<cv::Point2d> reprojected;
	cv::projectPoints(setPoints, rotation, translation, cameraMatrix, cv::noArray(), reprojected);
	double squared = 0.0;
	for (size_t i = 0; i < reprojected.size(); ++i)
	{
		const cv::Point2d miss = reprojected[i] - imagePoints[i];
		squared += miss.dot(miss);
	}

	cv::Matx33d rotationMatrix;
	cv::Rodrigues(rotation, rotationMatrix);
	for (int row = 0; row < 3; ++row)
	{
		for (int col = 0; col < 3; ++col)
		{
			config->trans[row][col] = rotationMatrix(row, col);
		}
		config->trans[row][3] = translation.at<double>(row);
	}
	config->prevF = 1;
	return squared / double(reprojected.size());
}
