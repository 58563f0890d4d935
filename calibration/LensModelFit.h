#pragma once

#include "markers/ARParam.h"

#include <opencv2/core.hpp>

#include <vector>

/// The tracker's one-parameter lens model fitted to OpenCV's: the strength f
/// (with the distortion centre at the optical centre and s = 1) that moves
/// points of the image most nearly where OpenCV's coefficients (k1, k2, p1, p2
/// [, k3]) move them, by least squares over a grid covering the image.
double fitDistortionStrength(const cv::Matx33d& cameraMatrix, const std::vector<double>& distortion,
	cv::Size imageSize);

/// The largest distance, in pixels over that grid, between where the two
/// models put a point.
double lensModelMismatch(const cv::Matx33d& cameraMatrix, const std::vector<double>& distortion,
	const ARParam& param);

/// Camera parameters in the tracker's layout: the projection matrix [K | 0]
/// and the fitted lens model.
ARParam cameraParamFromCalibration(const cv::Matx33d& cameraMatrix, const std::vector<double>& distortion,
	cv::Size imageSize);
