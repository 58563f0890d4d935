#include "render/GameCanvas.h"

#include "render/DebugDrawCV.h"

void resetGameCanvas(DebugDrawCV& drawer)
{
	drawer.canvas = cv::Mat(drawer.height, drawer.width, CV_8UC3, cv::Scalar::all(0));
}

cv::Mat gameCanvas(const DebugDrawCV& drawer)
{
	return drawer.canvas;
}
