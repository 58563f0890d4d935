#pragma once

#include "render/PlayScene.h"
#include "render/ProjectedShapes.h"

#include <opencv2/core.hpp>

#include <vector>

/// The light the projector adds for the players, in board pixels, to go with
/// the game's shapes: a halo spreading from each sensor for a second after it
/// lit, the score (and a dot for each sensor, filled once lit) in the corner
/// of the drawing area with the least ink in `inkMask` (board pixels, ink not
/// zero), and the confetti of the celebration over the drawing area. Every
/// colour is one the ink classes never take (see projectedColour).
std::vector<ProjectedShape> projectedRewards(const PlayScene& scene, const cv::Mat& inkMask);

/// The corner of `area` (board pixels) with the fewest ink pixels of
/// `inkMask` in a box of `size` set `inset` pixels in from it; the first of
/// top-left, top-right, bottom-left, bottom-right on a tie.
cv::Rect2d quietestCorner(const cv::Mat& inkMask, const cv::Rect2d& area, cv::Size2d size, double inset);
