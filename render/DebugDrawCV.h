#pragma once

#include "core/PixelWorldMapping.h"

#include <box2d/b2_draw.h>
#include <opencv2/core.hpp>

/// Box2D's debug drawing, painted into an 8-bit BGR OpenCV image (the game
/// canvas) with the board's pixel/world mapping, so a body is drawn exactly
/// where its outline lies on the rectified board.
///
/// Outlines use the colour at full intensity (x 255), fills at half intensity
/// (x 128). Points are mapped with `mapping` and truncated toward zero.
/// The canvas must be a non-empty CV_8UC3 image whenever the world draws;
/// set-up and resetGameCanvas see to that.
class DebugDrawCV : public b2Draw
{
public:
	/// Flags 0, empty canvas; size and mapping stay zero until set-up.
	DebugDrawCV() = default;

	/// A closed outline of one-pixel lines.
	void DrawPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color) override;

	/// A filled convex polygon, no outline on top.
	void DrawSolidPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color) override;

	/// A one-pixel ellipse whose axes are the radius scaled per axis.
	void DrawCircle(const b2Vec2& center, float radius, const b2Color& color) override;

	/// A filled ellipse; the axis is ignored, so no radius line is drawn.
	void DrawSolidCircle(const b2Vec2& center, float radius, const b2Vec2& axis,
		const b2Color& color) override;

	/// A one-pixel line.
	void DrawSegment(const b2Vec2& p1, const b2Vec2& p2, const b2Color& color) override;

	/// Draws nothing: centres of mass are not shown.
	void DrawTransform(const b2Transform& xf) override;

	/// Draws nothing. Box2D calls it for both ends of every two-sided edge, and
	/// walls are shown as plain lines.
	void DrawPoint(const b2Vec2& p, float size, const b2Color& color) override;

	/// The canvas pixel of a world point.
	cv::Point toPixel(const b2Vec2& p) const;

	cv::Mat canvas;
	int width = 0;
	int height = 0;
	PixelWorldMapping mapping = {0.0, 0.0, 0.0, 0.0};
};
