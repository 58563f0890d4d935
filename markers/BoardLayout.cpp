#include "markers/BoardLayout.h"

#include "core/FixedValues.h"

#include <opencv2/imgproc.hpp>

#include <cassert>

std::vector<cv::Point2f> boardImageCorners()
{
	return {{0.0f, 0.0f}, {float(boardWidth - 1), 0.0f}, {float(boardWidth - 1), float(boardHeight - 1)},
		{0.0f, float(boardHeight - 1)}};
}

cv::Matx33d boardPixelsToSetMm(const ARMultiMarkerInfoT& board)
{
	std::vector<cv::Point2f> centres;
	for (int marker : boardCornerMarkers)
	{
		const double(&t)[3][4] = board.marker[size_t(marker)].trans;
		centres.emplace_back(float(t[0][3]), float(t[1][3]));
	}
	return cv::Matx33d(cv::getPerspectiveTransform(boardImageCorners(), centres));
}

std::vector<cv::Point2f> portalCornersAround(const std::vector<cv::Point2f>& zigzag)
{
	assert(zigzag.size() == 4);
	// (-,-), (-,+), (+,+), (+,-): corners 0, 1, 3, 2 of the zigzag.
	return {zigzag[0], zigzag[1], zigzag[3], zigzag[2]};
}
