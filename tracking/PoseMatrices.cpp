#include "tracking/PoseMatrices.h"

cv::Mat makeHomogeneousPose(const double pose[3][4])
{
	cv::Mat homogeneous = cv::Mat::zeros(4, 4, CV_64F);
	for (int row = 0; row < 3; ++row)
	{
		for (int col = 0; col < 4; ++col)
		{
			homogeneous.at<double>(row, col) = pose[row][col];
		}
	}
	homogeneous.at<double>(3, 3) = 1.0;
	return homogeneous;
}

cv::Mat cameraMatrixView(double* mat, int rows)
{
	return cv::Mat(rows, 4, CV_64F, mat);
}

cv::Point2f dehomogenize(const cv::Mat& column)
{
	assert(column.rows == 3 && column.cols == 1 && column.type() == CV_64F);
	const float u = float(column.at<double>(0));
	const float v = float(column.at<double>(1));
	const double inverse = 1.0 / column.at<double>(2);
	return cv::Point2f(float(u * inverse), float(v * inverse));
}

cv::Point2f projectToImage(const cv::Mat& K, const cv::Mat& T, const cv::Mat& A, const cv::Mat& p)
{
	return dehomogenize(cv::Mat(K * T * A * p));
}

cv::Point2f projectToBoard(const cv::Mat& K, const cv::Mat& H, const cv::Mat& P, const cv::Mat& p)
{
	return dehomogenize(cv::Mat(H * K * P * p));
}
