#include "physics/BodyFactories.h"

#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_circle_shape.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>

#include <cmath>
#include <initializer_list>

namespace
{

/// A body at a position or of a size that is not a finite number is refused:
/// Box2D would take it, and every later step would spread it to the bodies it
/// touches.
bool allFinite(std::initializer_list<float> values)
{
	for (float value : values)
	{
		if (!std::isfinite(value))
		{
			return false;
		}
	}
	return true;
}

/// A body floating in place: dynamic, so it reports contacts with dynamic
/// bodies, but with gravity scale 0 and a sensor fixture nothing moves it.
b2BodyDef floatingBodyDef(float x, float y)
{
	b2BodyDef def;
	def.type = b2_dynamicBody;
	def.position.Set(x, y);
	def.gravityScale = 0.0f;
	return def;
}

b2Body* createCircleBody(PhysicsScene& scene, const b2BodyDef& bodyDef, float radius,
	float friction, bool isSensor, BodyKind kind)
{
	b2Body* body = scene.world()->CreateBody(&bodyDef);
	b2CircleShape circle;
	circle.m_radius = radius;
	b2FixtureDef fixtureDef;
	fixtureDef.shape = &circle;
	fixtureDef.density = 1.0f;
	fixtureDef.friction = friction;
	fixtureDef.restitution = 0.0f;
	fixtureDef.isSensor = isSensor;
	body->CreateFixture(&fixtureDef);
	scene.registerBody(body, kind);
	return body;
}

}  // namespace

b2Body* createBall(PhysicsScene& scene, float x, float y, float radius)
{
	if (!allFinite({x, y, radius}) || radius <= 0.0f)
	{
		return nullptr;
	}
	b2BodyDef def;
	def.type = b2_dynamicBody;
	def.position.Set(x, y);
	return createCircleBody(scene, def, radius, 0.3f, false, Solid);
}

b2Body* createSensorCircle(PhysicsScene& scene, float x, float y, float radius)
{
	if (!allFinite({x, y, radius}) || radius <= 0.0f)
	{
		return nullptr;
	}
	return createCircleBody(scene, floatingBodyDef(x, y), radius, 0.2f, true, SensorCircle);
}

void createPortal(PhysicsScene& scene, float x, float y, float hx, float hy)
{
	if (!allFinite({x, y, hx, hy}) || hx <= 0.0f || hy <= 0.0f)
	{
		return;
	}
	const b2BodyDef def = floatingBodyDef(x, y);
	b2Body* body = scene.world()->CreateBody(&def);
	b2PolygonShape box;
	box.SetAsBox(hx, hy);
	b2FixtureDef fixtureDef;
	fixtureDef.shape = &box;
	fixtureDef.density = 1.0f;
	fixtureDef.friction = 0.2f;
	fixtureDef.restitution = 0.0f;
	fixtureDef.isSensor = true;
	body->CreateFixture(&fixtureDef);
	scene.registerBody(body, Portal);
}

b2Body* createWallChain(const std::vector<b2Vec2>& points, PhysicsScene& scene)
{
	if (points.size() < 2)
	{
		return nullptr;
	}
	for (const b2Vec2& point : points)
	{
		if (!allFinite({point.x, point.y}))
		{
			return nullptr;
		}
	}
	b2BodyDef def;  // static at (0, 0), angle 0
	b2Body* body = scene.world()->CreateBody(&def);
	for (size_t i = 0; i + 1 < points.size(); ++i)
	{
		const b2EdgeShape edge = makeEdge(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y);
		body->CreateFixture(&edge, 0.0f);
	}
	scene.registerBody(body, Wall);
	return body;
}

b2EdgeShape makeEdge(float x1, float y1, float x2, float y2)
{
	b2EdgeShape edge;
	edge.SetTwoSided(b2Vec2(x1, y1), b2Vec2(x2, y2));
	return edge;
}
