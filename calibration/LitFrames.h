#pragma once

#include "calibration/CharucoCalibration.h"

#include <opencv2/core.hpp>

/// What the camera's frames show of the projector's light while it is
/// measured: a frame taken while the projector shows something, less the
/// dark frame taken while it showed black. Paper, ink and markers, lit alike
/// in both, cancel.

/// The largest of a BGR image's three channels, pixel by pixel.
cv::Mat largestChannel(const cv::Mat& bgr);

/// The light the projector adds to the board: the pattern frame less the dark
/// frame, channel by channel, the largest of the three, stretched so that the
/// brightest light is white. What is left looks like the pattern as printed.
cv::Mat projectedLight(const cv::Mat& litFrame, const cv::Mat& darkFrame);

/// The corners the codes named, placed again in the light of the plain
/// chessboard (the chessboard frame less the dark frame, see projectedLight),
/// each by its own saddle point. A corner that cannot be placed is left out.
CharucoView placeOnChessboard(const CharucoView& named, const cv::Mat& chessboardLight);

/// What a projector's white adds to white paper as the camera sees it: per
/// channel, the brightest of what the lit frame gains over the dark one (the
/// 95th percentile of the lit places, so that a few glinting pixels do not
/// set it). 255 in every channel when too little of the frame is lit to tell.
cv::Vec3d paperLightOf(const cv::Mat& litFrame, const cv::Mat& darkFrame);
