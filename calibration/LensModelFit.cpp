#include "calibration/LensModelFit.h"

#include <opencv2/calib3d.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// The scale of f in the tracker's model: d = 1 - f / 1e8 * r^2.
constexpr double strengthScale = 100000000.0;

/// Ideal pixels on a 17 x 13 grid over the whole image.
std::vector<cv::Point2d> imageGrid(cv::Size imageSize)
{
	std::vector<cv::Point2d> points;
	for (int j = 0; j <= 12; ++j)
	{
		for (int i = 0; i <= 16; ++i)
		{
			points.emplace_back((imageSize.width - 1) * i / 16.0, (imageSize.height - 1) * j / 12.0);
		}
	}
	return points;
}

/// Where OpenCV's model puts each ideal pixel.
std::vector<cv::Point2d> distortWithOpenCV(const cv::Matx33d& K, const std::vector<double>& distortion,
	const std::vector<cv::Point2d>& ideal)
{
	std::vector<cv::Point3d> rays;
	for (const cv::Point2d& p : ideal)
	{
		rays.emplace_back((p.x - K(0, 2)) / K(0, 0), (p.y - K(1, 2)) / K(1, 1), 1.0);
	}
	std::vector<cv::Point2d> observed;
	cv::projectPoints(rays, cv::Vec3d(), cv::Vec3d(), K, distortion, observed);
	return observed;
}

}  // namespace

double fitDistortionStrength(const cv::Matx33d& cameraMatrix, const std::vector<double>& distortion,
	cv::Size imageSize)
{
	// ideal - observed = c r^2 (ideal - centre) along both axes: linear in c.
	const std::vector<cv::Point2d> ideal = imageGrid(imageSize);
	const std::vector<cv::Point2d> observed = distortWithOpenCV(cameraMatrix, distortion, ideal);
	const cv::Point2d centre(cameraMatrix(0, 2), cameraMatrix(1, 2));
	double numerator = 0.0;
	double denominator = 0.0;
	for (size_t i = 0; i < ideal.size(); ++i)
	{
		const cv::Point2d offset = ideal[i] - centre;
		const cv::Point2d shift = ideal[i] - observed[i];
		const double r2 = offset.dot(offset);
		numerator += r2 * offset.dot(shift);
		denominator += r2 * r2 * offset.dot(offset);
	}
	return denominator > 0.0 ? numerator / denominator * strengthScale : 0.0;
}

double lensModelMismatch(const cv::Matx33d& cameraMatrix, const std::vector<double>& distortion,
	const ARParam& param)
{
	const std::vector<cv::Point2d> ideal = imageGrid(cv::Size(param.xsize, param.ysize));
	const std::vector<cv::Point2d> observed = distortWithOpenCV(cameraMatrix, distortion, ideal);
	double worst = 0.0;
	for (size_t i = 0; i < ideal.size(); ++i)
	{
		double x = 0.0;
		double y = 0.0;
		arParamIdeal2Observ(param.dist_factor, ideal[i].x, ideal[i].y, &x, &y);
		worst = std::max(worst, std::hypot(x - observed[i].x, y - observed[i].y));
	}
	return worst;
}

ARParam cameraParamFromCalibration(const cv::Matx33d& cameraMatrix, const std::vector<double>& distortion,
	cv::Size imageSize)
{
	ARParam param = {};
	param.xsize = imageSize.width;
	param.ysize = imageSize.height;
	for (int row = 0; row < 3; ++row)
	{
		for (int col = 0; col < 3; ++col)
		{
			param.mat[row][col] = cameraMatrix(row, col);
		}
	}
	param.dist_factor[0] = cameraMatrix(0, 2);
	param.dist_factor[1] = cameraMatrix(1, 2);
	param.dist_factor[2] = fitDistortionStrength(cameraMatrix, distortion, imageSize);
	param.dist_factor[3] = 1.0;
	return param;
}
