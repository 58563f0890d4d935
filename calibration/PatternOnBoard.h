#pragma once

#include "calibration/CharucoCalibration.h"
#include "calibration/ErrorOverBoard.h"
#include "calibration/ProjectorPattern.h"

#include <opencv2/core.hpp>

/// A projector's picture is often larger than the board, or turned across
/// it, and a pattern filling the whole picture then loses many of its corners
/// off the paper; its squares, sized for the whole picture, give few corners
/// to begin with. The corners it keeps still say roughly where the board lies
/// in the picture: a second pattern drawn over just that part, with squares
/// as small as the camera reads well there, measures the map.

/// The camera-to-projector map that the corners `seen` of `pattern` give
/// roughly: RANSAC over them, most of them agreeing and at least enough for a
/// map with a few to spare. False when they give none.
bool roughCameraToProjector(const ProjectorPattern& pattern, const CharucoView& seen, const double distortion[4],
	cv::Matx33d& cameraToProjector);

/// The part of a picture of `size` that lights `area` through
/// `cameraToProjector`: the rectangle round it, within the picture. Empty when
/// the picture misses the area.
cv::Rect pictureOverArea(cv::Size size, const cv::Matx33d& cameraToProjector, const ErrorArea& area);

/// The pattern over `part` of a picture of `size`, its squares at least a
/// readable size in the camera wherever `cameraToProjector` puts them. Its
/// picture is empty when the part has no room for that.
ProjectorPattern patternOverPart(cv::Size size, cv::Rect part, const cv::Matx33d& cameraToProjector);
