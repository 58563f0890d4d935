#include "analysis/DrawingAnalysis.h"
#include "physics/BodyFactories.h"
#include "tracking/BoardScanner.h"

int DrawingAnalysis::buildWalls()
{
	int built = 0;
	for (size_t i = 0; i < scanner.blackContours.size(); ++i)
	{
		const std::vector<cv::Point>& contour = scanner.blackContours[i];
		// The record is what the next rescan compares its drawing with.
		wallRecords.push_back(ShapeRecord{contour, computeDescriptor(contour), nullptr});
		if (i < newBallRingBorders.size() && newBallRingBorders[i])
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
	return built;
}
