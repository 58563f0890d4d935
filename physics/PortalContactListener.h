#pragma once

#include <box2d/b2_world_callbacks.h>

class PhysicsScene;
class b2Body;

/// Gives the sensors their meaning. Box2D calls it inside b2World::Step, where
/// bodies may be neither created nor destroyed, so it only marks bodies and
/// queues debris; the scene's flush after the step carries both out.
///
/// Only a Solid body (a ball or a spawned box) touching a sensor counts: it
/// marks a sensor circle as touched, and it shatters in a portal. Walls, debris
/// and sensors touching each other change nothing.
class PortalContactListener : public b2ContactListener
{
public:
	explicit PortalContactListener(PhysicsScene* scene) : scene(scene) {}

	void BeginContact(b2Contact* contact) override;

	/// Mark a registered body for the next flush and queue two debris where it
	/// is now. Every call queues debris, even for a body already marked in this
	/// step: two portals at one place leave four. An unregistered body is left alone.
	void shatter(b2Body* body);

	/// Not owned: the scene that contains this listener.
	PhysicsScene* scene;
};
