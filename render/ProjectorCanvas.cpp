#include "render/ProjectorCanvas.h"

#include "markers/ARParam.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// Sub-pixel bits of the projected outlines.
constexpr int drawShift = 4;
constexpr double subPixels = 1 << drawShift;
/// Points further out than this are held there: far beyond any picture, well
/// inside the drawing functions' fixed-point range.
constexpr double farOut = 1e6;

/// A board point through a homography; false for one behind it.
bool through(const cv::Matx33d& h, cv::Point2f p, cv::Point2d& out)
{
	const double w = h(2, 0) * p.x + h(2, 1) * p.y + h(2, 2);
	if (!(w > 1e-12))
	{
		return false;
	}
	out.x = std::clamp((h(0, 0) * p.x + h(0, 1) * p.y + h(0, 2)) / w, -farOut, farOut);
	out.y = std::clamp((h(1, 0) * p.x + h(1, 1) * p.y + h(1, 2)) / w, -farOut, farOut);
	return true;
}

/// Pixels of the picture per board pixel about a point: line widths scale by it.
double localScale(const cv::Matx33d& h, cv::Point2f p)
{
	cv::Point2d a, b;
	if (!through(h, p, a) || !through(h, p + cv::Point2f(1.0f, 0.0f), b))
	{
		return 1.0;
	}
	return cv::norm(b - a);
}

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

}  // namespace

ProjectorCanvas::ProjectorCanvas(cv::Size size) : image(cv::Mat::zeros(size, CV_8UC3))
{
}

void ProjectorCanvas::darken()
{
	if (wholeLit)
	{
		image.setTo(cv::Scalar::all(0));
	}
	for (const cv::Rect& area : litAreas)
	{
		image(area).setTo(cv::Scalar::all(0));
	}
	litAreas.clear();
	wholeLit = false;
}

void ProjectorCanvas::showPicture(const cv::Mat& picture)
{
	darken();
	if (picture.size() == image.size() && picture.type() == image.type())
	{
		picture.copyTo(image);
	}
	else
	{
		cv::resize(picture, image, image.size(), 0, 0, cv::INTER_AREA);
	}
	wholeLit = true;
}

void ProjectorCanvas::draw(const std::vector<ProjectedShape>& shapes, const cv::Matx33d& boardToProjector)
{
	darken();
	const cv::Rect whole(0, 0, image.cols, image.rows);
	std::vector<cv::Point> points;
	for (const ProjectedShape& shape : shapes)
	{
		if (shape.points.size() < 2)
		{
			continue;
		}
		points.clear();
		double left = farOut, top = farOut, right = -farOut, bottom = -farOut;
		cv::Point2d p;
		for (const cv::Point2f& boardPoint : shape.points)
		{
			if (!through(boardToProjector, boardPoint, p))
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
		const int thickness = shape.filled ? 0 : lineThickness(shape.width * localScale(boardToProjector, shape.points[0]));
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
		litAreas.push_back(area);
	}
}

void markLitPixels(cv::Mat& mask, const std::vector<ProjectedShape>& shapes, const cv::Matx33d& boardToIdeal,
	const double distortion[4], int margin)
{
	CV_Assert(mask.type() == CV_8UC1);
	std::vector<cv::Point> points;
	for (const ProjectedShape& shape : shapes)
	{
		points.clear();
		cv::Point2d ideal;
		for (const cv::Point2f& boardPoint : shape.points)
		{
			if (!through(boardToIdeal, boardPoint, ideal))
			{
				break;
			}
			double x, y;
			arParamIdeal2Observ(distortion, ideal.x, ideal.y, &x, &y);
			points.emplace_back(int(std::lround(std::clamp(x, -farOut, farOut))),
				int(std::lround(std::clamp(y, -farOut, farOut))));
		}
		if (points.size() != shape.points.size() || points.empty())
		{
			continue;
		}
		if (shape.filled)
		{
			// Convex: each corner moved `margin` further from the centre widens
			// it all round, far more cheaply than a thick outline.
			cv::Point2d centre;
			for (const cv::Point& p : points)
			{
				centre += cv::Point2d(p);
			}
			centre /= double(points.size());
			for (cv::Point& p : points)
			{
				const cv::Point2d out = cv::Point2d(p) - centre;
				const double length = std::max(1.0, cv::norm(out));
				p = cv::Point(cv::Point2d(p) + out * (margin * std::sqrt(2.0) / length));
			}
			cv::fillConvexPoly(mask, points, cv::Scalar(255), cv::LINE_8, 0);
			continue;
		}
		const double width = shape.width * localScale(boardToIdeal, shape.points[0]);
		cv::polylines(mask, points, shape.closed, cv::Scalar(255), int(std::lround(width)) + 2 * margin, cv::LINE_8, 0);
	}
}
