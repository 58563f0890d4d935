#pragma once

#include "render/ProjectedShapes.h"

#include <opencv2/core.hpp>

#include <vector>

/// The light projected shapes add to the camera's picture, on a grid of
/// `grid` cells over a frame of `frameSize` pixels (the motion test's grid):
/// per cell and channel (B, G, R), the share of the cell the shapes light
/// times their colour, 0 to 1 (1: a cell all lit by white), 32-bit float.
/// Board pixels reach the camera through `boardToIdeal` (board pixels to
/// ideal camera pixels) and then through the lens (`distortion`, the camera
/// parameters' factors).
cv::Mat projectedLightCells(const std::vector<ProjectedShape>& shapes, const cv::Matx33d& boardToIdeal,
	const double distortion[4], cv::Size frameSize, cv::Size grid);
