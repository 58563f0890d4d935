#include "physics/DebrisSpawn.h"

#include "physics/PhysicsScene.h"

namespace
{

/// 3.14, not pi: the angle never quite comes round to a half turn.
constexpr double maxDebrisAngle = 3.14;
constexpr float maxDebrisSpeed = 10.0f;

DebrisSpawn makeDebris(cv::RNG& rng, float x, float y)
{
	// The order of the draws fixes every debris of a run; keep it.
	const double angle = rng.uniform(0.0, maxDebrisAngle);
	const float upward = rng.uniform(maxDebrisSpeed, 0.0f);  // in (0, 10]
	const float sideways = rng.uniform(0.0f, 2.0f * maxDebrisSpeed) - maxDebrisSpeed;

	DebrisSpawn spawn;
	spawn.bodyDef.type = b2_dynamicBody;
	spawn.bodyDef.position.Set(x, y);
	spawn.bodyDef.angle = float(angle);
	spawn.bodyDef.linearVelocity.Set(sideways, upward);
	spawn.fixtureDef.density = 1.0f;
	spawn.fixtureDef.friction = 0.3f;
	spawn.fixtureDef.restitution = 0.0f;
	return spawn;
}

}  // namespace

void queueDebris(PhysicsScene& scene, float x, float y)
{
	for (size_t i = 0; i < debrisPerShatter; ++i)
	{
		scene.queueSpawn(makeDebris(scene.rng(), x, y));
	}
}
