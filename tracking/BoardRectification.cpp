#include "tracking/BoardScanner.h"

#include "core/FixedValues.h"
#include "markers/BoardLayout.h"
#include "tracking/PoseMatrices.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

/// Half the side of the portal square and the offset of the drawing area's
/// corners from the corner markers' centres, millimetres.
static constexpr double cornerOffset = 60.0;

/// The board's corners in the frame make a quadrilateral worth rectifying:
/// finite, convex and not much smaller than a hundredth of the board. A board
/// seen almost edge-on fails this, and its homography would stretch a sliver
/// of pixels (or nothing at all) over the whole board.
static bool usableBoardOutline(const std::vector<cv::Point2f>& corners)
{
	for (const cv::Point2f& corner : corners)
	{
		if (!std::isfinite(corner.x) || !std::isfinite(corner.y) || std::fabs(corner.x) > 1e6f
			|| std::fabs(corner.y) > 1e6f)
		{
			return false;
		}
	}
	const double minimumArea = boardWidth * boardHeight / 100.0;
	return cv::isContourConvex(corners) && cv::contourArea(corners) >= minimumArea;
}

bool BoardScanner::rectifyBoard(const cv::Mat& frame)
{
	const cv::Mat T = makeHomogeneousPose(boardConfig->trans);
	const cv::Mat origin = makeHomogeneousPoint(3, 0.0, 0.0, 0.0);
	const cv::Mat K = cameraMatrixView(&cameraParam.mat[0][0], 3).clone();
	const auto markerTransform = [this](int i) { return makeHomogeneousPose(boardConfig->marker[size_t(i)].trans); };

	std::vector<cv::Point2f> imageCorners;
	for (int marker : boardCornerMarkers)
	{
		imageCorners.push_back(projectToImage(K, T, markerTransform(marker), origin));
	}
	if (!usableBoardOutline(imageCorners))
	{
		return false;
	}
	homography = cv::getPerspectiveTransform(imageCorners, boardImageCorners());

	cv::Mat warped;
	cv::warpPerspective(frame, warped, homography, cv::Size(boardWidth, boardHeight), cv::INTER_LINEAR,
		cv::BORDER_CONSTANT, cv::Scalar(0, 0, 0, 0));

	if (portalVisible)
	{
		portalCorners.clear();
		const cv::Mat Q = makeHomogeneousPose(portalConfig->trans);
		// Zigzag, not round the square: (-60,-60), (-60,60), (60,-60), (60,60).
		for (int a = -1; a <= 1; a += 2)
		{
			for (int b = -1; b <= 1; b += 2)
			{
				const cv::Mat corner = makeHomogeneousPoint(3, cornerOffset * a, cornerOffset * b, 0.0);
				portalCorners.push_back(projectToBoard(K, homography, Q, corner));
			}
		}
	}
	boardScanned = true;

	boardInnerCorners.clear();
	const cv::Mat topLeft = T * markerTransform(boardCornerMarkers[0]);
	const cv::Mat bottomRight = T * markerTransform(boardCornerMarkers[2]);
	boardInnerCorners.push_back(
		projectToBoard(K, homography, topLeft, makeHomogeneousPoint(3, cornerOffset, -cornerOffset, 0.0)));
	boardInnerCorners.push_back(
		projectToBoard(K, homography, bottomRight, makeHomogeneousPoint(3, -cornerOffset, cornerOffset, 0.0)));

	markerOutlines.clear();
	for (const ARMultiEachMarkerInfoT& marker : boardConfig->marker)
	{
		const cv::Mat pose = T * makeHomogeneousPose(marker.trans);
		const double half = marker.width * 0.5;
		std::vector<cv::Point2f> outline;
		for (const cv::Point2d corner : {cv::Point2d(-half, half), cv::Point2d(half, half), cv::Point2d(half, -half),
				 cv::Point2d(-half, -half)})
		{
			outline.push_back(projectToBoard(K, homography, pose,
				makeHomogeneousPoint(3, marker.center[0] + corner.x, marker.center[1] + corner.y, 0.0)));
		}
		markerOutlines.push_back(outline);
	}

	cv::cvtColor(warped, warpedGray, cv::COLOR_BGR2GRAY);
	warpedSnapshot = warped.clone();
	warpedColor = warped;
	return true;
}
