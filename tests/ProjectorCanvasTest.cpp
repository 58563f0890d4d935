#include "render/ProjectorCanvas.h"

#include "render/ProjectedShapes.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

namespace
{

/// An open line 4 board pixels wide across the board's middle.
ProjectedShape line()
{
	ProjectedShape shape;
	shape.points = {{200.0f, 240.0f}, {440.0f, 240.0f}};
	shape.colour = projectedColour::wallOutline;
	shape.filled = false;
	shape.closed = false;
	shape.width = 4.0f;
	return shape;
}

/// Lines are as wide as the map makes a board pixel, and a map that magnifies
/// without bound (a projector pointed almost along the board) or is no number
/// at all draws what it can instead of throwing out of the pass.
TEST(ProjectorCanvas, LineWidthFollowsTheMapWithinWhatAPictureCanShow)
{
	ProjectorCanvas canvas(cv::Size(1280, 800));
	canvas.draw({line()}, cv::Matx33d::diag(cv::Vec3d(2.0, 2.0, 1.0)));
	cv::Mat lit;
	cv::cvtColor(canvas.picture(), lit, cv::COLOR_BGR2GRAY);
	// Twice 4 board pixels, give or take the smoothed edges.
	EXPECT_NEAR(cv::countNonZero(lit.col(640) > 128), 8, 1);
	EXPECT_FALSE(canvas.isDark());

	// A board pixel 10000 picture pixels wide where the line starts: 40000-pixel lines.
	for (const cv::Matx33d& wild : {cv::Matx33d(1e4, 0, 640 - 2e6, 0, 1e4, 400 - 2.4e6, 0, 0, 1),
			 cv::Matx33d(1e9, 0, 0, 0, 1e9, 0, 0, 0, 1), cv::Matx33d::all(std::nan(""))})
	{
		EXPECT_NO_THROW(canvas.draw({line()}, wild)) << wild;
	}
}

}  // namespace
