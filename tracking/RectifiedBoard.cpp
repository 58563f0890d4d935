#include "tracking/RectifiedBoard.h"

void RectifiedBoard::setHomography(const cv::Mat& cameraToBoard)
{
	homography = cameraToBoard;
	mapped = false;
	boardToCamera = cv::Matx33d::eye();
	if (homography.rows != 3 || homography.cols != 3 || homography.channels() != 1)
	{
		return;
	}
	cv::Mat inDoubles;
	homography.convertTo(inDoubles, CV_64F);
	cv::Mat inverse;
	if (cv::invert(inDoubles, inverse, cv::DECOMP_LU) == 0.0 || !cv::checkRange(inverse))
	{
		return;
	}
	boardToCamera = cv::Matx33d(inverse);
	mapped = true;
}
