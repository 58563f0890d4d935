#pragma once

#include "markers/ARMultiMarker.h"

#include <opencv2/core.hpp>

#include <vector>

/// The board's corner markers, in the order of the board image's corners:
/// top-left, top-right, bottom-right, bottom-left.
constexpr int boardCornerMarkers[4] = {0, 2, 5, 3};

/// The board image's corner pixels in that order. The corner markers' centres
/// land on the centres of these pixels: 639 and 479, not 640 and 480.
std::vector<cv::Point2f> boardImageCorners();

/// Board pixels to millimetres of the board's marker set, through the corner
/// markers' centres.
cv::Matx33d boardPixelsToSetMm(const ARMultiMarkerInfoT& board);
