#include "analysis/DrawingAnalysis.h"
#include "physics/BodyFactories.h"

#include <algorithm>

int DrawingAnalysis::buildWalls(const std::vector<Contour>& blackContours)
{
	int built = 0;
	for (size_t i = 0; i < blackContours.size(); ++i)
	{
		const Contour& contour = blackContours[i];
		// The record is what the next rescan compares its drawing with.
		wallRecords.push_back(ShapeRecord{contour, computeDescriptor(contour), nullptr});
		if (i < ringBordersWithoutWall.size() && ringBordersWithoutWall[i])
		{
			continue;
		}
		std::vector<b2Vec2> points;
		points.reserve(contour.size());
		for (const cv::Point& p : contour)
		{
			points.push_back(mapping.toWorld(p.x, p.y));
		}
		if (createWallChain(points, scene) != nullptr)
		{
			++built;
		}
	}
	// A ring made into a ball in this rescan is still part of the drawing: the
	// next rescan finds it among its black contours, where it stays once its
	// ball is kept. Without its record, a drawing with a few balls would cost
	// too much to be the same map and would reset at every rescan.
	const size_t newBalls = std::min(newBallCount, ballRecords.size());
	for (size_t i = ballRecords.size() - newBalls; i < ballRecords.size(); ++i)
	{
		wallRecords.push_back(ShapeRecord{ballRecords[i].contour, ballRecords[i].descriptor.clone(), nullptr});
	}
	newBallCount = 0;
	return built;
}
