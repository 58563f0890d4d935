#pragma once

#include <box2d/b2_math.h>
#include <opencv2/core.hpp>

#include <vector>

class b2Body;

/// The world outline of a body, fixture by fixture in Box2D's list order (the
/// newest fixture first): every vertex of a polygon, ten points round a circle
/// (about the body origin), nothing for edges and chains.
std::vector<b2Vec2> bodyOutline(const b2Body& body);

/// The camera pixel of a board point, through the inverse homography; each
/// coordinate truncated toward zero. A point that would land at infinity or
/// beyond any image is held at +-2^24 so it can still be drawn (clipped).
cv::Point boardPointToCamera(const cv::Mat& boardToCamera, float x, float y);
