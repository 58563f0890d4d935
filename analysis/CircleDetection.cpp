#include "analysis/DrawingAnalysis.h"
#include "core/EventSink.h"
#include "physics/BodyFactories.h"

void DrawingAnalysis::detectBalls(std::vector<Contour>& blackContours)
{
	const size_t before = ballRecords.size();
	newBallRingBorders = detectCircles(blackContours, blackCircleTemplate, blackTemplateExponents,
		ballRecords, createBall, "ball");
	newBallCount = ballRecords.size() - before;
}

void DrawingAnalysis::detectSensorCircles(std::vector<Contour>& yellowContours)
{
	detectCircles(yellowContours, yellowCircleTemplate, yellowTemplateExponents, sensorCircleRecords,
		createSensorCircle, "sensor");
}

/// The outer and the hole border of one thinned ring run along the same
/// pixels, so their centroids lie within a pixel or two of each other; two
/// drawn circles are never that close.
static constexpr float sameRingRadius = 4.0f;

DrawingAnalysis::CircleMatch DrawingAnalysis::matchCircle(const ShapeDescriptor& d,
	const ShapeDescriptor& circleTemplate, const int (&templateExponents)[descriptorSize],
	const std::vector<ShapeRecord>& records, size_t firstNew)
{
	useExponents(templateExponents);
	// Written so that a NaN distance is no circle.
	if (!(descriptorDistance(d - circleTemplate) < circleMatchLimit))
	{
		return CircleMatch::None;
	}
	// A circle already kept (the same drawing seen again) is not made twice.
	useExponents(duplicateExponents);
	const ShapeRecord* kept = nullptr;
	const float distance = nearestRecord(records, d, kept);
	if (distance > duplicateRadius)
	{
		return CircleMatch::New;
	}
	const bool madeNow = size_t(kept - records.data()) >= firstNew;
	return madeNow && distance <= sameRingRadius ? CircleMatch::OtherBorder : CircleMatch::Known;
}

std::vector<bool> DrawingAnalysis::detectCircles(std::vector<Contour>& contours,
	const ShapeDescriptor& circleTemplate, const int (&templateExponents)[descriptorSize],
	std::vector<ShapeRecord>& records, CircleFactory createCircle, const char* eventType)
{
	const size_t firstNew = records.size();
	std::vector<bool> otherBorders(contours.size(), false);
	size_t i = 0;
	while (i < contours.size())
	{
		const ShapeDescriptor d = computeDescriptor(contours[i]);
		const CircleMatch match = matchCircle(d, circleTemplate, templateExponents, records, firstNew);
		if (match != CircleMatch::New)
		{
			otherBorders[i] = match == CircleMatch::OtherBorder;
			++i;
			continue;
		}
		const b2Vec2 centre = mapping.toWorld(d.at<double>(0), d.at<double>(1));
		b2Body* body = createCircle(scene, centre.x, centre.y, circleRadius);
		// The contour moves into the record; the ones after it move up, so
		// place i is examined again.
		records.push_back(ShapeRecord{std::move(contours[i]), d, body});
		contours.erase(contours.begin() + long(i));
		otherBorders.erase(otherBorders.begin() + long(i));
		if (body != nullptr)
		{
			reportTo(events, Event(eventType).set("x", centre.x).set("y", centre.y));
		}
	}
	return otherBorders;
}
