#pragma once

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>

#include <cstddef>

class PhysicsScene;

/// One debris body waiting for the next flush: the definitions are copied by
/// value; the fixture's shape is not used, the flush supplies a fresh box.
struct DebrisSpawn
{
	b2BodyDef bodyDef;
	b2FixtureDef fixtureDef;
};

/// A shatter leaves this many debris.
constexpr size_t debrisPerShatter = 2;

/// Queue the two debris of a shatter at (x, y), world units. Each flies off at
/// a random angle in [0, 3.14), upwards at up to 10 m/s and sideways within
/// 10 m/s. Draws from the scene's rng(), per debris: the angle (a double
/// draw), the upward speed, the sideways speed (a float draw each); eight
/// generator steps per shatter.
void queueDebris(PhysicsScene& scene, float x, float y);
