#pragma once

#include "physics/HitRate.h"

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
///
/// It also hears a Solid body hit a wall (drawn or drawn with the mouse): a hit
/// that stops it at `minHitSpeed` or faster is reported as a `hit`, as often as
/// HitRate allows.
class PortalContactListener : public b2ContactListener
{
public:
	explicit PortalContactListener(PhysicsScene* scene) : scene(scene) {}

	void BeginContact(b2Contact* contact) override;

	/// The impulses a step's solver gave a contact: a hit when a Solid body
	/// met a wall hard enough.
	void PostSolve(b2Contact* contact, const b2ContactImpulse* impulse) override;

	/// The world took a step of `seconds`: the clock that hits are paced by.
	/// Whoever steps the world calls it after every step.
	void stepped(float seconds) { m_worldTime += seconds; }

	/// The slowest hit that is reported, in metres a second taken off the
	/// body's speed towards the wall: a ball resting or rolling on a wall
	/// loses a sixtieth of gravity's 10 m/s a step, one dropped onto it from
	/// a metre up about 4.5 m/s.
	static constexpr float minHitSpeed = 1.5f;

	/// Mark a registered body for the next flush and queue two debris where it
	/// is now. Every call queues debris, even for a body already marked in this
	/// step: two portals at one place leave four. An unregistered body is left alone.
	void shatter(b2Body* body);

	/// Not owned: the scene that contains this listener.
	PhysicsScene* scene;

private:
	/// Seconds of the world's time, as the steps told it.
	double m_worldTime = 0.0;
	HitRate m_hitRate;
};
