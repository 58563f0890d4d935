#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// The points of a flat calibration target that one photograph shows: where
/// each lies on the target (millimetres, z = 0) and where the photograph has it.
struct TargetView
{
	std::vector<cv::Point3f> onTarget;
	std::vector<cv::Point2f> inPhoto;
};

/// What a calibration found: OpenCV's pinhole matrix and distortion
/// coefficients, the root mean square reprojection error in pixels, and the
/// way the target faced the camera in each view.
struct CameraCalibration
{
	cv::Size imageSize;
	cv::Matx33d cameraMatrix;
	std::vector<double> distortion;
	double rmsError = 0.0;
	int views = 0;
	/// Each view's target normal in the camera's frame (x right, y down, z
	/// along the view): the target's z axis, which points towards the camera
	/// or away from it as its points are numbered.
	std::vector<cv::Vec3d> targetNormals;
};

/// Calibrate from the views of photographs of `imageSize`. The lens gets one
/// radial term, k1, as the tracker's lens model has: further terms, fitted where
/// the target seldom reaches (the corners of the picture), bend those parts
/// wildly. False when fewer than three views are given.
bool calibrateFromViews(const std::vector<TargetView>& views, cv::Size imageSize, CameraCalibration& result);
