#pragma once

#include <opencv2/core.hpp>

/// An image turned by half a turn about its centre (cols / 2, rows / 2): pixel
/// (x, y) comes from (cols - x, rows - y), so row 0 and column 0 have no
/// source and are black. The same image as warpAffine with OpenCV's 180-degree
/// rotation matrix gives, where every source position is a whole pixel.
cv::Mat halfTurned(const cv::Mat& image);
