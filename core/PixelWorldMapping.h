#pragma once

#include <box2d/b2_math.h>
#include <opencv2/core/types.hpp>

/// Converts between pixels of the rectified board (and of the game canvas, which
/// has the same size) and Box2D world coordinates in metres.
/// world = (pixel - offset) / scale; pixel = world * scale + offset.
/// A negative scaleY makes world y point up while pixel rows grow downwards.
struct PixelWorldMapping
{
	double scaleX;
	double scaleY;
	double offsetX;
	double offsetY;

	/// Board pixel to world, computed in double and narrowed to float.
	b2Vec2 toWorld(double pixelX, double pixelY) const;

	/// World to board pixel, in double, not rounded.
	cv::Point2d toPixel(double worldX, double worldY) const;

	/// World to an integer pixel, each coordinate truncated toward zero.
	cv::Point toPixelTruncated(double worldX, double worldY) const;
};

/// The one mapping everything shares: 10 pixels per metre, world y up and
/// world (0, 0) at board pixel (100, 200). The 640 x 480 board covers world x
/// from -10 to 54 and world y from 20 down to -28.
extern const PixelWorldMapping boardMapping;
