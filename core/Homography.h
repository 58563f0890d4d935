#pragma once

#include <opencv2/core/matx.hpp>
#include <opencv2/core/types.hpp>

/// Point `p` carried through the plane homography `h` (camera to projector,
/// board to camera and the like), in double. A point that `h` sends to
/// infinity comes back infinite or NaN: callers that may meet one check.
inline cv::Point2d applyHomography(const cv::Matx33d& h, cv::Point2d p)
{
	const cv::Vec3d q = h * cv::Vec3d(p.x, p.y, 1.0);
	return cv::Point2d(q[0] / q[2], q[1] / q[2]);
}
