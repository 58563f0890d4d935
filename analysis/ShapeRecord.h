#pragma once

#include "analysis/ShapeDescriptor.h"

#include <vector>

class b2Body;

/// A recognised shape kept between rescans. It owns its contour and descriptor;
/// `body` is set for circles (the ball or sensor circle made from it), null for walls.
struct ShapeRecord
{
	std::vector<cv::Point> contour;
	ShapeDescriptor descriptor;
	b2Body* body = nullptr;
};
