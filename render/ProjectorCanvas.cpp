#include "render/ProjectorCanvas.h"

#include "markers/ARParam.h"
#include "render/BoardPointMap.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

/// Sub-pixel bits of the projected outlines.
constexpr int drawShift = 4;
constexpr double subPixels = 1 << drawShift;
/// A line `width` picture pixels wide as OpenCV draws it: whole pixels, and
/// never wider than a picture can show (OpenCV refuses lines above 32767 pixels;
/// a map that magnifies a board pixel that much has nothing sensible to show).
int lineThickness(double width)
{
	constexpr double widest = 4096.0;
	if (!(width > 0.0))  // also NaN
	{
		return 0;
	}
	return int(std::lround(std::min(width, widest)));
}

/// Draw one shape whose points are already in picture pixels (shifted).
void drawShape(cv::Mat& image, const ProjectedShape& shape, const std::vector<cv::Point>& points, int thickness,
	int lineType, int shift)
{
	if (shape.filled)
	{
		cv::fillConvexPoly(image, points, shape.colour, lineType, shift);
	}
	if (!shape.filled || thickness > 0)
	{
		cv::polylines(image, points, shape.closed, shape.colour, std::max(1, thickness), lineType, shift);
	}
}

/// Black in one area. A hundred small areas a pass: row by row, without
/// setTo's work per call, which takes as long as the clearing itself.
void clearArea(cv::Mat& image, const cv::Rect& area)
{
	CV_DbgAssert((area & cv::Rect(0, 0, image.cols, image.rows)) == area);
	const size_t rowBytes = size_t(area.width) * image.elemSize();
	for (int y = area.y; y < area.y + area.height; ++y)
	{
		std::memset(image.ptr(y, area.x), 0, rowBytes);
	}
}

/// True when a picture's pixels are shared with another holder.
bool heldElsewhere(const cv::Mat& image)
{
	return image.u != nullptr && image.u->refcount > 1;
}

}  // namespace

ProjectorCanvas::ProjectorCanvas(cv::Size size) : size(size)
{
	buffers[current].image = cv::Mat::zeros(size, CV_8UC3);
}

ProjectorCanvas::Buffer& ProjectorCanvas::blackBuffer()
{
	if (heldElsewhere(buffers[current].image))
	{
		current = 1 - current;
	}
	Buffer& buffer = buffers[current];
	if (buffer.image.empty() || heldElsewhere(buffer.image))
	{
		// Both pictures are held: a new one.
		buffer = Buffer{cv::Mat::zeros(size, CV_8UC3), {}, false};
		return buffer;
	}
	if (buffer.wholeLit)
	{
		buffer.image.setTo(cv::Scalar::all(0));
	}
	for (const cv::Rect& area : buffer.litAreas)
	{
		clearArea(buffer.image, area);
	}
	buffer.litAreas.clear();
	buffer.wholeLit = false;
	return buffer;
}

void ProjectorCanvas::darken()
{
	blackBuffer();
}

void ProjectorCanvas::showPicture(const cv::Mat& picture)
{
	Buffer& buffer = blackBuffer();
	if (picture.size() == buffer.image.size() && picture.type() == buffer.image.type())
	{
		picture.copyTo(buffer.image);
	}
	else
	{
		cv::resize(picture, buffer.image, buffer.image.size(), 0, 0, cv::INTER_AREA);
	}
	buffer.wholeLit = true;
}

void ProjectorCanvas::draw(const std::vector<ProjectedShape>& shapes, const cv::Matx33d& boardToProjector)
{
	Buffer& buffer = blackBuffer();
	cv::Mat& image = buffer.image;
	const cv::Rect whole(0, 0, image.cols, image.rows);
	std::vector<cv::Point> points;
	for (const ProjectedShape& shape : shapes)
	{
		if (shape.points.size() < 2)
		{
			continue;
		}
		points.clear();
		double left = farOutPixel, top = farOutPixel, right = -farOutPixel, bottom = -farOutPixel;
		cv::Point2d p;
		for (const cv::Point2f& boardPoint : shape.points)
		{
			if (!throughMap(boardToProjector, boardPoint, p))
			{
				break;
			}
			points.emplace_back(int(std::lround(p.x * subPixels)), int(std::lround(p.y * subPixels)));
			left = std::min(left, p.x);
			right = std::max(right, p.x);
			top = std::min(top, p.y);
			bottom = std::max(bottom, p.y);
		}
		if (points.size() != shape.points.size())
		{
			continue;
		}
		const int thickness = shape.filled ? 0 : lineThickness(shape.width * mapScaleAt(boardToProjector, shape.points[0]));
		// Round outwards and add the line's half width and the smoothing.
		const int grow = thickness / 2 + 2;
		const cv::Rect area = cv::Rect(cv::Point(int(std::floor(left)) - grow, int(std::floor(top)) - grow),
								  cv::Point(int(std::ceil(right)) + grow + 1, int(std::ceil(bottom)) + grow + 1))
			& whole;
		if (area.empty())
		{
			continue;
		}
		drawShape(image, shape, points, thickness, cv::LINE_AA, drawShift);
		buffer.litAreas.push_back(area);
	}
}
