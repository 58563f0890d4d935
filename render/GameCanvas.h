#pragma once

#include <opencv2/core.hpp>

class DebugDrawCV;

/// Replace the drawer's canvas by a fresh black CV_8UC3 image of its size.
/// Images that still share the old canvas keep the old pixels.
void resetGameCanvas(DebugDrawCV& drawer);

/// A shallow copy of the canvas: it shares the pixels.
cv::Mat gameCanvas(const DebugDrawCV& drawer);
