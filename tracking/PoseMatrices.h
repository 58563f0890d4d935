#pragma once

#include <opencv2/core.hpp>

#include <cassert>

/// Small matrix helpers of the rectification. Every matrix is of doubles;
/// arguments are headers sharing pixels, never copies.

/// A 3 x 4 pose with the row (0, 0, 0, 1) below it.
cv::Mat makeHomogeneousPose(const double pose[3][4]);

/// The column (v1, ..., vn, 1) of `n` values.
template <typename... Values>
cv::Mat makeHomogeneousPoint(int n, Values... values)
{
	assert(n == int(sizeof...(values)));
	cv::Mat point(n + 1, 1, CV_64F);
	int row = 0;
	((point.at<double>(row++) = double(values)), ...);
	point.at<double>(n) = 1.0;
	return point;
}

/// A rows x 4 header over a projection matrix kept elsewhere; no copy.
cv::Mat cameraMatrixView(double* mat, int rows);

/// (u, v, w) to (u / w, v / w): u and v are narrowed to float first.
cv::Point2f dehomogenize(const cv::Mat& column);

/// Camera-image position of point p given in the frame of marker transform
/// A of a set whose camera pose is T: K T A p.
cv::Point2f projectToImage(const cv::Mat& K, const cv::Mat& T, const cv::Mat& A, const cv::Mat& p);

/// Board-pixel position of point p given in a frame whose camera pose is P:
/// H K P p.
cv::Point2f projectToBoard(const cv::Mat& K, const cv::Mat& H, const cv::Mat& P, const cv::Mat& p);
