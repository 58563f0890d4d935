#include "render/DebugDrawCV.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <vector>

namespace
{

constexpr int lineType = cv::LINE_8;
constexpr int fullCircle = 360;

cv::Scalar outlineColour(const b2Color& c)
{
	return cv::Scalar(c.b * 255.0, c.g * 255.0, c.r * 255.0, 0.0);
}

/// Half intensity; 128 rather than 127.5, so a full channel becomes 128.
cv::Scalar fillColour(const b2Color& c)
{
	return cv::Scalar(c.b * 128.0, c.g * 128.0, c.r * 128.0, 128.0);
}

}  // namespace

cv::Point DebugDrawCV::toPixel(const b2Vec2& p) const
{
	return mapping.toPixelTruncated(p.x, p.y);
}

void DebugDrawCV::DrawPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color)
{
	for (int32 i = 0; i < vertexCount; ++i)
	{
		const b2Vec2& next = vertices[(i + 1) % vertexCount];
		cv::line(canvas, toPixel(vertices[i]), toPixel(next), outlineColour(color), 1, lineType);
	}
}

void DebugDrawCV::DrawSolidPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color)
{
	if (vertexCount <= 0)
	{
		return;
	}
	std::vector<cv::Point> points;
	points.reserve(size_t(vertexCount));
	for (int32 i = 0; i < vertexCount; ++i)
	{
		points.push_back(toPixel(vertices[i]));
	}
	cv::fillConvexPoly(canvas, points, fillColour(color), lineType, 0);
}

void DebugDrawCV::DrawCircle(const b2Vec2& center, float radius, const b2Color& color)
{
	// Per-axis absolute values keep the axes positive although scaleY is negative.
	const cv::Size axes(int(std::abs(radius * mapping.scaleX)), int(std::abs(radius * mapping.scaleY)));
	cv::ellipse(canvas, toPixel(center), axes, 0.0, 0.0, fullCircle, outlineColour(color), 1, lineType);
}

void DebugDrawCV::DrawSolidCircle(const b2Vec2& center, float radius, const b2Vec2& axis,
	const b2Color& color)
{
	(void)axis;
	const cv::Size axes(int(std::abs(radius * mapping.scaleX)), int(std::abs(radius * mapping.scaleY)));
	cv::ellipse(canvas, toPixel(center), axes, 0.0, 0.0, fullCircle, fillColour(color), cv::FILLED,
		lineType);
}

void DebugDrawCV::DrawSegment(const b2Vec2& p1, const b2Vec2& p2, const b2Color& color)
{
	cv::line(canvas, toPixel(p1), toPixel(p2), outlineColour(color), 1, lineType);
}

void DebugDrawCV::DrawTransform(const b2Transform& xf)
{
	(void)xf;
}

void DebugDrawCV::DrawPoint(const b2Vec2& p, float size, const b2Color& color)
{
	(void)p;
	(void)size;
	(void)color;
}
