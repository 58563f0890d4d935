#include "core/PixelWorldMapping.h"

const PixelWorldMapping boardMapping = {10.0, -10.0, 100.0, 200.0};

b2Vec2 PixelWorldMapping::toWorld(double pixelX, double pixelY) const
{
	return b2Vec2(float((pixelX - offsetX) / scaleX), float((pixelY - offsetY) / scaleY));
}

cv::Point2d PixelWorldMapping::toPixel(double worldX, double worldY) const
{
	return cv::Point2d(worldX * scaleX + offsetX, worldY * scaleY + offsetY);
}

cv::Point PixelWorldMapping::toPixelTruncated(double worldX, double worldY) const
{
	const cv::Point2d p = toPixel(worldX, worldY);
	// int conversion truncates toward zero, which is what every caller expects.
	return cv::Point(int(p.x), int(p.y));
}
