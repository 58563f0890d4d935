#include "analysis/DrawingAnalysis.h"

#include "core/PixelWorldMapping.h"
#include "physics/BodyFactories.h"

#include <algorithm>

int DrawingAnalysis::buildWalls(const std::vector<Contour>& blackContours, const std::vector<bool>& withoutWall,
	size_t newBalls)
{
	int built = 0;
	for (size_t i = 0; i < blackContours.size(); ++i)
	{
		const Contour& contour = blackContours[i];
		// The record is what the next rescan compares its drawing with.
		m_wallRecords.push_back(ShapeRecord{contour, computeDescriptor(contour), nullptr});
		if (i < withoutWall.size() && withoutWall[i])
		{
			continue;
		}
		std::vector<b2Vec2> points;
		points.reserve(contour.size());
		for (const cv::Point& p : contour)
		{
			points.push_back(boardMapping.toWorld(p.x, p.y));
		}
		if (createWallChain(points, m_scene) != nullptr)
		{
			++built;
		}
	}
	// A ring made into a ball in this rescan is still part of the drawing: the
	// next rescan finds it among its black contours, where it stays once its
	// ball is kept. Without its record, a drawing with a few balls would cost
	// too much to be the same map and would reset at every rescan.
	const std::vector<ShapeRecord>& balls = m_balls.records();
	for (size_t i = balls.size() - std::min(newBalls, balls.size()); i < balls.size(); ++i)
	{
		m_wallRecords.push_back(ShapeRecord{balls[i].contour, balls[i].descriptor.clone(), nullptr});
	}
	return built;
}
