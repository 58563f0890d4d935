#include "tracking/BoardScanner.h"

#include "core/FixedValues.h"
#include "markers/BoardLayout.h"
#include "tracking/PoseMatrices.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

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

bool BoardScanner::rectifyBoard(const cv::Mat& frame, RectifiedBoard& board)
{
	const cv::Mat T = makeHomogeneousPose(boardConfig->trans);
	const cv::Mat origin = makeHomogeneousPoint(3, 0.0, 0.0, 0.0);
	const cv::Mat K = cameraMatrixView(&scaledParam.mat[0][0], 3).clone();
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
	board.setHomography(cv::getPerspectiveTransform(imageCorners, boardImageCorners()));
	const cv::Mat& H = board.homography;

	cv::Mat warped;
	cv::warpPerspective(frame, warped, H, cv::Size(boardWidth, boardHeight), cv::INTER_LINEAR,
		cv::BORDER_CONSTANT, cv::Scalar(0, 0, 0, 0));

	if (board.portalVisible)
	{
		board.portalCorners.clear();
		const cv::Mat Q = makeHomogeneousPose(portalConfig->trans);
		for (const auto& sign : portalCornerSigns)
		{
			const cv::Mat corner = makeHomogeneousPoint(3, portalHalfSide * sign[0], portalHalfSide * sign[1], 0.0);
			board.portalCorners.push_back(projectToBoard(K, H, Q, corner));
		}
	}
	board.boardScanned = true;

	board.innerCorners.clear();
	for (const DrawingAreaCorner& inner : drawingAreaCorners)
	{
		const cv::Mat pose = T * markerTransform(boardCornerMarkers[inner.cornerMarker]);
		const cv::Mat corner =
			makeHomogeneousPoint(3, drawingAreaInset * inner.signX, drawingAreaInset * inner.signY, 0.0);
		board.innerCorners.push_back(projectToBoard(K, H, pose, corner));
	}

	board.markerOutlines.clear();
	for (const ARMultiEachMarkerInfoT& marker : boardConfig->marker)
	{
		const cv::Mat pose = T * makeHomogeneousPose(marker.trans);
		const double half = marker.width * 0.5;
		std::vector<cv::Point2f> outline;
		for (const cv::Point2d corner : {cv::Point2d(-half, half), cv::Point2d(half, half), cv::Point2d(half, -half),
				 cv::Point2d(-half, -half)})
		{
			outline.push_back(projectToBoard(K, H, pose,
				makeHomogeneousPoint(3, marker.center[0] + corner.x, marker.center[1] + corner.y, 0.0)));
		}
		board.markerOutlines.push_back(outline);
	}

	cv::cvtColor(warped, board.grey, cv::COLOR_BGR2GRAY);
	board.colour = warped;
	board.rectifications += 1;
	return true;
}
