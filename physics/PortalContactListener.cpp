#include "physics/PortalContactListener.h"

#include "core/EventSink.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_contact.h>
#include <box2d/b2_fixture.h>

#include <cassert>

namespace
{

/// The kind of a body, or 0 for a body the scene does not know.
int kindOf(b2Body* body)
{
	const BodyInfo* info = bodyInfoOf(body);
	return info == nullptr ? 0 : info->kind;
}

void reportShatter(PhysicsScene& scene, const b2Vec2& at)
{
	// The debris of this shatter are the last two queued.
	const std::vector<DebrisSpawn>& queued = scene.getPendingDebris();
	assert(queued.size() >= debrisPerShatter);
	std::vector<double> angles;
	std::vector<cv::Point2f> velocities;
	for (size_t i = queued.size() - debrisPerShatter; i < queued.size(); ++i)
	{
		angles.push_back(queued[i].bodyDef.angle);
		velocities.emplace_back(queued[i].bodyDef.linearVelocity.x, queued[i].bodyDef.linearVelocity.y);
	}
	scene.report(Event("shatter").set("x", double(at.x)).set("y", double(at.y))
		.set("angles", angles).set("velocities", velocities));
}

}  // namespace

void PortalContactListener::BeginContact(b2Contact* contact)
{
	b2Fixture* fixtureA = contact->GetFixtureA();
	b2Fixture* fixtureB = contact->GetFixtureB();
	if (fixtureA->IsSensor() == fixtureB->IsSensor())
	{
		return;  // two solids collide as usual; two sensors never react
	}
	b2Body* sensor = (fixtureA->IsSensor() ? fixtureA : fixtureB)->GetBody();
	b2Body* other = (fixtureA->IsSensor() ? fixtureB : fixtureA)->GetBody();
	if (kindOf(other) != Solid)
	{
		return;
	}
	switch (kindOf(sensor))
	{
	case SensorCircle:
	{
		bodyInfoOf(sensor)->touched = true;
		const b2Vec2 p = sensor->GetPosition();
		scene->report(Event("touched").set("x", double(p.x)).set("y", double(p.y))
			.set("sensor", double(bodyInfoOf(sensor)->id)).set("ball", double(bodyInfoOf(other)->id)));
		break;
	}
	case Portal:
		shatter(other);
		break;
	default:
		break;
	}
}

void PortalContactListener::PostSolve(b2Contact* contact, const b2ContactImpulse* impulse)
{
	b2Body* a = contact->GetFixtureA()->GetBody();
	b2Body* b = contact->GetFixtureB()->GetBody();
	const bool aSolid = kindOf(a) == Solid;
	b2Body* solid = aSolid ? a : b;
	if (kindOf(solid) != Solid || kindOf(aSolid ? b : a) != Wall)
	{
		return;
	}
	// Walls are static, so the normal impulse is all the solid's: divided by
	// its mass, the speed towards the wall that the hit took away.
	float total = 0.0f;
	for (int i = 0; i < impulse->count; ++i)
	{
		total += impulse->normalImpulses[i];
	}
	const float speed = total / solid->GetMass();
	if (speed < minHitSpeed || !m_hitRate.allow(m_worldTime))
	{
		return;
	}
	const b2Vec2 p = solid->GetPosition();
	scene->report(Event("hit").set("x", double(p.x)).set("y", double(p.y)).set("ball", double(bodyInfoOf(solid)->id))
		.set("speed", double(speed)).set("impulse", double(total)));
}

void PortalContactListener::shatter(b2Body* body)
{
	if (!scene->isRegistered(body))
	{
		return;
	}
	scene->mark(body);
	const b2Vec2 at = body->GetTransform().p;
	queueDebris(*scene, at.x, at.y);
	reportShatter(*scene, at);
}
