#include "calibration/CameraFit.h"

#include <opencv2/calib3d.hpp>

bool calibrateFromViews(const std::vector<TargetView>& views, cv::Size imageSize, CameraCalibration& result)
{
	if (views.size() < 3)
	{
		return false;
	}
	std::vector<std::vector<cv::Point3f>> onTarget;
	std::vector<std::vector<cv::Point2f>> inPhoto;
	for (const TargetView& view : views)
	{
		onTarget.push_back(view.onTarget);
		inPhoto.push_back(view.inPhoto);
	}
	cv::Mat K;
	cv::Mat distortion;
	std::vector<cv::Mat> rotations;
	std::vector<cv::Mat> translations;
	result.rmsError = cv::calibrateCamera(onTarget, inPhoto, imageSize, K, distortion, rotations, translations,
		cv::CALIB_ZERO_TANGENT_DIST | cv::CALIB_FIX_K2 | cv::CALIB_FIX_K3);
	result.imageSize = imageSize;
	result.cameraMatrix = cv::Matx33d(K);
	result.distortion.assign(distortion.begin<double>(), distortion.end<double>());
	result.views = int(views.size());
	result.targetNormals.clear();
	for (const cv::Mat& rotation : rotations)
	{
		cv::Matx33d R;
		cv::Rodrigues(rotation, R);
		result.targetNormals.emplace_back(R(0, 2), R(1, 2), R(2, 2));
	}
	return true;
}
