#include "physics/SpawnedBoxes.h"

#include "core/EventSink.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>

void spawnBox(PhysicsScene& scene)
{
	// Two double draws, x first; the order keeps runs repeatable.
	const double x = scene.rng().uniform(30.0, 40.0);
	const double y = scene.rng().uniform(4.0, 40.0);

	b2BodyDef def;
	def.type = b2_dynamicBody;
	def.position.Set(float(x), float(y));
	b2Body* body = scene.world()->CreateBody(&def);
	b2PolygonShape box;
	box.SetAsBox(1.0f, 1.0f);
	b2FixtureDef fixtureDef;
	fixtureDef.shape = &box;
	fixtureDef.density = 1.0f;
	fixtureDef.friction = 0.3f;
	fixtureDef.restitution = 0.0f;
	body->CreateFixture(&fixtureDef);
	scene.registerBody(body, Solid);
	scene.report(Event("box").set("x", double(def.position.x)).set("y", double(def.position.y)));
}
