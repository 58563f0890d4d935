#pragma once

#include <opencv2/core.hpp>

#include <vector>

class b2Body;

/// Ten numbers describing a contour: 10 rows, 1 column, CV_64F.
using ShapeDescriptor = cv::Mat;

/// A recognised shape kept between rescans. It owns its contour and descriptor;
/// `body` is set for circles (the ball or sensor circle made from it), null for walls.
struct ShapeRecord
{
	std::vector<cv::Point> contour;
	ShapeDescriptor descriptor;
	b2Body* body = nullptr;
};
