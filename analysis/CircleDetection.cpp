#include "analysis/DrawingAnalysis.h"
#include "app/Trace.h"
#include "physics/BodyFactories.h"
#include "tracking/BoardScanner.h"

void DrawingAnalysis::detectBalls()
{
	detectCircles(scanner.blackContours, blackCircleTemplate, blackTemplateExponents, ballRecords, createBall, "ball");
}

void DrawingAnalysis::detectSensorCircles()
{
	detectCircles(scanner.yellowContours, yellowCircleTemplate, yellowTemplateExponents, sensorCircleRecords,
		createSensorCircle, "sensor");
}

bool DrawingAnalysis::isNewCircle(const ShapeDescriptor& d, const ShapeDescriptor& circleTemplate,
	const int (&templateExponents)[descriptorSize], const std::vector<ShapeRecord>& records)
{
	useExponents(templateExponents);
	// Written so that a NaN distance is no circle.
	if (!(descriptorDistance(d - circleTemplate) < circleMatchLimit))
	{
		return false;
	}
	// A circle already kept (the same drawing seen again, or the other border
	// of the same ring) is not made twice.
	useExponents(duplicateExponents);
	const ShapeRecord* kept = nullptr;
	return nearestRecord(records, d, kept) > duplicateRadius;
}

void DrawingAnalysis::detectCircles(std::vector<std::vector<cv::Point>>& contours,
	const ShapeDescriptor& circleTemplate, const int (&templateExponents)[descriptorSize],
	std::vector<ShapeRecord>& records, CircleFactory createCircle, const char* eventType)
{
	size_t i = 0;
	while (i < contours.size())
	{
		const ShapeDescriptor d = computeDescriptor(contours[i]);
		if (!isNewCircle(d, circleTemplate, templateExponents, records))
		{
			++i;
			continue;
		}
		const b2Vec2 centre = mapping.toWorld(d.at<double>(0), d.at<double>(1));
		b2Body* body = createCircle(scene, centre.x, centre.y, circleRadius);
		// The contour moves into the record; the ones after it move up, so
		// place i is examined again.
		records.push_back(ShapeRecord{std::move(contours[i]), d, body});
		contours.erase(contours.begin() + long(i));
		if (trace != nullptr)
		{
			trace->add(TraceEvent(eventType).set("x", centre.x).set("y", centre.y));
		}
	}
}
