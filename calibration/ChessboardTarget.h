#pragma once

#include "calibration/CameraFit.h"

#include <opencv2/core.hpp>

/// A plain printed chessboard, the most common calibration target: its inner
/// corners across and down (where four squares meet) and its square's side.
struct ChessboardLayout
{
	cv::Size innerCorners;
	double squareMm = 0.0;

	int cornerCount() const { return innerCorners.area(); }
};

/// The inner corners a photograph (BGR or grey) shows, placed to a fraction of
/// a pixel: all of them, or none when the whole board does not show. `quick`
/// turns a picture without a board down at once, for live frames.
TargetView findChessboardView(const ChessboardLayout& layout, const cv::Mat& photo, bool quick = false);
