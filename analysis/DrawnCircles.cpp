#include "analysis/DrawnCircles.h"

#include "core/PixelWorldMapping.h"
#include "physics/BodyFactories.h"
#include "physics/BodyInfo.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>

#include <cmath>

/// The outer and the hole border of one thinned ring run along the same
/// pixels, so their centroids lie within a pixel or two of each other; two
/// drawn circles are never that close.
static constexpr float sameRingRadius = 4.0f;

DrawnCircles::DrawnCircles(CircleInk ink)
	: m_ink(ink),
	  m_templateExponents(ink == CircleInk::Black ? &blackTemplateExponents : &yellowTemplateExponents),
	  m_template(cv::Mat::zeros(descriptorSize, 1, CV_64F))
{
}

DrawnCircles::Match DrawnCircles::match(const ShapeDescriptor& d, size_t firstNew, const ShapeRecord*& kept) const
{
	kept = nullptr;
	// Written so that a NaN distance is no circle.
	if (!(descriptorDistance(d - m_template, *m_templateExponents) < circleMatchLimit))
	{
		return Match::None;
	}
	// A circle already kept (the same drawing seen again) is not made twice.
	const float distance = nearestRecord(m_records, d, duplicateExponents, kept);
	if (distance > duplicateRadius)
	{
		return Match::New;
	}
	const bool madeNow = size_t(kept - m_records.data()) >= firstNew;
	return madeNow && distance <= sameRingRadius ? Match::OtherBorder : Match::Known;
}

std::vector<bool> DrawnCircles::find(std::vector<Contour>& contours, PhysicsScene& scene, EventSink* events)
{
	const size_t firstNew = m_records.size();
	std::vector<bool> withoutWall(contours.size(), false);
	size_t i = 0;
	while (i < contours.size())
	{
		const ShapeDescriptor d = computeDescriptor(contours[i]);
		const ShapeRecord* kept = nullptr;
		const Match found = match(d, firstNew, kept);
		if (found != Match::New)
		{
			withoutWall[i] = found == Match::OtherBorder
				|| (found == Match::Known && kept != nullptr && bodyInsideItsRing(*kept, scene));
			++i;
			continue;
		}
		b2Body* body = makeBody(d, scene, events);
		// The contour moves into the record; the ones after it move up, so
		// place i is examined again.
		m_records.push_back(ShapeRecord{std::move(contours[i]), d, body});
		contours.erase(contours.begin() + long(i));
		withoutWall.erase(withoutWall.begin() + long(i));
	}
	return withoutWall;
}

b2Body* DrawnCircles::makeBody(const ShapeDescriptor& d, PhysicsScene& scene, EventSink* events) const
{
	const cv::Point2d drawn = descriptorCentroid(d);
	const b2Vec2 centre = boardMapping.toWorld(drawn.x, drawn.y);
	const bool ball = m_ink == CircleInk::Black;
	b2Body* body = ball ? createBall(scene, centre.x, centre.y, circleRadius)
						: createSensorCircle(scene, centre.x, centre.y, circleRadius);
	if (body != nullptr)
	{
		reportTo(events, Event(ball ? "ball" : "sensor").set("x", centre.x).set("y", centre.y));
	}
	return body;
}

bool DrawnCircles::bodyInsideItsRing(const ShapeRecord& record, const PhysicsScene& scene) const
{
	if (!scene.isRegistered(record.body) || !hasMeanRadius(record.descriptor))
	{
		return false;
	}
	const b2Vec2 at = record.body->GetPosition();
	const cv::Point2d pixel = boardMapping.toPixel(at.x, at.y);
	const cv::Point2d centre = descriptorCentroid(record.descriptor);
	const double ringRadius = descriptorMeanRadius(record.descriptor);
	// The ball reaches the ring's line once its centre is within its own
	// radius of it; a wall there would hold it.
	const double ballRadius = circleRadius * std::abs(boardMapping.scaleX);
	return cv::norm(pixel - centre) < ringRadius + ballRadius;
}

int DrawnCircles::makeBodiesAgain(PhysicsScene& scene, EventSink* events)
{
	for (ShapeRecord& record : m_records)
	{
		record.body = makeBody(record.descriptor, scene, events);
	}
	return int(m_records.size());
}
