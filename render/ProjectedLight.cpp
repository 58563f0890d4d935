#include "render/ProjectedLight.h"

#include "markers/ARParam.h"
#include "render/BoardPointMap.h"

#include <opencv2/imgproc.hpp>

namespace
{

/// The shapes are drawn this many times finer than the grid, then averaged
/// down: each cell's light is the share of it they cover.
constexpr int finer = 4;
/// Sub-pixel bits of the drawn outlines.
constexpr int shift = 3;

}  // namespace

cv::Mat projectedLightCells(const std::vector<ProjectedShape>& shapes, const cv::Matx33d& boardToIdeal,
	const double distortion[4], cv::Size frameSize, cv::Size grid)
{
	cv::Mat fine = cv::Mat::zeros(grid.height * finer, grid.width * finer, CV_8UC3);
	const double scaleX = double(fine.cols) / frameSize.width;
	const double scaleY = double(fine.rows) / frameSize.height;
	std::vector<cv::Point> points;
	for (const ProjectedShape& shape : shapes)
	{
		points.clear();
		for (const cv::Point2f& boardPoint : shape.points)
		{
			cv::Point2d ideal;
			if (!throughMap(boardToIdeal, boardPoint, ideal))
			{
				break;
			}
			double x, y;
			arParamIdeal2Observ(distortion, ideal.x, ideal.y, &x, &y);
			const double fx = std::clamp(x * scaleX, -farOutPixel, farOutPixel);
			const double fy = std::clamp(y * scaleY, -farOutPixel, farOutPixel);
			points.emplace_back(int(std::lround(fx * (1 << shift))), int(std::lround(fy * (1 << shift))));
		}
		if (points.size() != shape.points.size() || points.empty())
		{
			continue;
		}
		if (shape.filled)
		{
			cv::fillConvexPoly(fine, points, shape.colour, cv::LINE_AA, shift);
			continue;
		}
		const double width = shape.width * mapScaleAt(boardToIdeal, shape.points[0]) * scaleX;
		cv::polylines(fine, points, shape.closed, shape.colour, std::clamp(int(std::lround(width)), 1, fine.cols),
			cv::LINE_AA, shift);
	}
	cv::Mat cells;
	cv::resize(fine, cells, grid, 0, 0, cv::INTER_AREA);
	cells.convertTo(cells, CV_32FC3, 1.0 / 255.0);
	return cells;
}
