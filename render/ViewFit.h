#pragma once

#include <opencv2/core.hpp>

/// A rectangle of some picture fitted into a window: one scale for both axes,
/// so that circles stay round, and centred. window = picture * scale + offset.
struct ViewFit
{
	double scale = 1.0;
	cv::Point2d offset;

	/// The fit of `area` into `window`; a rectangle without area fits as the identity.
	static ViewFit of(const cv::Rect2d& area, cv::Size window);

	cv::Point2d toWindow(cv::Point2d p) const { return p * scale + offset; }
	/// The same map as a homography.
	cv::Matx33d matrix() const { return {scale, 0.0, offset.x, 0.0, scale, offset.y, 0.0, 0.0, 1.0}; }
};

/// The size of a window `width` pixels wide with the shape of `area` (an even
/// height, as video encoders want it); a rectangle without area gives 3:2.
cv::Size windowShapedLike(const cv::Rect2d& area, int width);
