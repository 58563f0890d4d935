#include "analysis/DrawingAnalysis.h"
#include "physics/BodyFactories.h"
#include "tracking/BoardScanner.h"

int DrawingAnalysis::buildWalls()
{
	int built = 0;
	for (const std::vector<cv::Point>& contour : scanner.blackContours)
	{
		// The record is what the next rescan compares its drawing with.
		wallRecords.push_back(ShapeRecord{contour, computeDescriptor(contour), nullptr});
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
	return built;
}
