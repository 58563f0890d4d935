#include "analysis/DrawingAnalysis.h"
#include "core/EventSink.h"
#include "physics/BodyFactories.h"
#include "physics/BodyInfo.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>

#include <cmath>

void DrawingAnalysis::detectBalls(std::vector<Contour>& blackContours)
{
	const size_t before = ballRecords.size();
	ringBordersWithoutWall = detectCircles(blackContours, blackCircleTemplate, blackTemplateExponents,
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
	const std::vector<ShapeRecord>& records, size_t firstNew, const ShapeRecord*& kept)
{
	kept = nullptr;
	useExponents(templateExponents);
	// Written so that a NaN distance is no circle.
	if (!(descriptorDistance(d - circleTemplate) < circleMatchLimit))
	{
		return CircleMatch::None;
	}
	// A circle already kept (the same drawing seen again) is not made twice.
	useExponents(duplicateExponents);
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
	std::vector<bool> withoutWall(contours.size(), false);
	size_t i = 0;
	while (i < contours.size())
	{
		const ShapeDescriptor d = computeDescriptor(contours[i]);
		const ShapeRecord* kept = nullptr;
		const CircleMatch match = matchCircle(d, circleTemplate, templateExponents, records, firstNew, kept);
		if (match != CircleMatch::New)
		{
			withoutWall[i] = match == CircleMatch::OtherBorder
				|| (match == CircleMatch::Known && kept != nullptr && bodyInsideItsRing(*kept));
			++i;
			continue;
		}
		const cv::Point2d drawn = descriptorCentroid(d);
		const b2Vec2 centre = mapping.toWorld(drawn.x, drawn.y);
		b2Body* body = createCircle(scene, centre.x, centre.y, circleRadius);
		// The contour moves into the record; the ones after it move up, so
		// place i is examined again.
		records.push_back(ShapeRecord{std::move(contours[i]), d, body});
		contours.erase(contours.begin() + long(i));
		withoutWall.erase(withoutWall.begin() + long(i));
		if (body != nullptr)
		{
			reportTo(events, Event(eventType).set("x", centre.x).set("y", centre.y));
		}
	}
	return withoutWall;
}

bool DrawingAnalysis::bodyInsideItsRing(const ShapeRecord& record) const
{
	if (!scene.isRegistered(record.body) || !hasMeanRadius(record.descriptor))
	{
		return false;
	}
	const b2Vec2 at = record.body->GetPosition();
	const cv::Point2d pixel = mapping.toPixel(at.x, at.y);
	const cv::Point2d centre = descriptorCentroid(record.descriptor);
	const double ringRadius = descriptorMeanRadius(record.descriptor);
	// The ball reaches the ring's line once its centre is within its own
	// radius of it; a wall there would hold it.
	const double ballRadius = circleRadius * std::abs(mapping.scaleX);
	return cv::norm(pixel - centre) < ringRadius + ballRadius;
}

int DrawingAnalysis::replayDrawing()
{
	for (ShapeRecord& record : ballRecords)
	{
		const cv::Point2d centre = descriptorCentroid(record.descriptor);
		const b2Vec2 at = mapping.toWorld(centre.x, centre.y);
		record.body = createBall(scene, at.x, at.y, circleRadius);
		if (record.body != nullptr)
		{
			reportTo(events, Event("ball").set("x", at.x).set("y", at.y));
		}
	}
	for (const ShapeRecord& record : sensorCircleRecords)
	{
		if (BodyInfo* info = scene.isRegistered(record.body) ? bodyInfoOf(record.body) : nullptr)
		{
			info->touched = false;
		}
	}
	return int(ballRecords.size());
}
