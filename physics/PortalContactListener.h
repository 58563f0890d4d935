#pragma once

#include <box2d/b2_world_callbacks.h>

class PhysicsScene;

/// Gives the sensors their meaning. Box2D calls it inside b2World::Step, where
/// bodies may be neither created nor destroyed, so it only marks bodies and
/// queues debris; the scene's flush after the step carries both out.
class PortalContactListener : public b2ContactListener
{
public:
	explicit PortalContactListener(PhysicsScene* scene) : scene(scene) {}

	void BeginContact(b2Contact* contact) override;

	/// Not owned: the scene that contains this listener.
	PhysicsScene* scene;
};
