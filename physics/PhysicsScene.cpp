#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_polygon_shape.h>

#include <algorithm>
#include <cassert>

/// Seed of the scene's random numbers, the same on every run.
static constexpr uint64_t sceneRngSeed = 5324;

/// Half-extent of a debris box: debris are 0.2 by 0.2.
static constexpr float debrisHalfExtent = 0.1f;

BodyInfo* bodyInfoOf(b2Body* body)
{
	return reinterpret_cast<BodyInfo*>(body->GetUserData().pointer);
}

PhysicsScene::PhysicsScene()
	: m_listener(this), m_rng(sceneRngSeed)
{
}

PhysicsScene::~PhysicsScene()
{
	for (b2Body* body : m_bodies)
	{
		delete bodyInfoOf(body);
	}
	// The world deletes its bodies with itself.
	m_world.reset();
}

void PhysicsScene::createWorld(const b2Vec2& gravity)
{
	assert(m_world == nullptr);
	m_world = std::make_unique<b2World>(gravity);
}

void PhysicsScene::registerBody(b2Body* body, BodyKind kind)
{
	assert(body != nullptr && bodyInfoOf(body) == nullptr);
	BodyInfo* info = new BodyInfo{body, kind, false, ++m_registeredCount};
	body->GetUserData().pointer = reinterpret_cast<uintptr_t>(info);
	m_bodies.push_back(body);
}

void PhysicsScene::mark(b2Body* body)
{
	m_toDestroy.insert(body);
}

void PhysicsScene::markOutOfBounds()
{
	for (b2Body* body : m_bodies)
	{
		const BodyKind kind = bodyInfoOf(body)->kind;
		if (kind != Solid && kind != Debris)
		{
			continue;
		}
		const b2Vec2 p = body->GetTransform().p;
		// Strict comparisons: a body exactly on an edge stays.
		if (p.x < m_playArea.minX || p.x > m_playArea.maxX || p.y < m_playArea.minY || p.y > m_playArea.maxY)
		{
			mark(body);
		}
	}
}

void PhysicsScene::markKind(BodyKind kind)
{
	for (b2Body* body : m_bodies)
	{
		if (bodyInfoOf(body)->kind == kind)
		{
			mark(body);
		}
	}
}

void PhysicsScene::markAll()
{
	m_toDestroy.insert(m_bodies.begin(), m_bodies.end());
}

void PhysicsScene::flush()
{
	// Destruction first, so a flush never destroys debris it has just made.
	while (!m_toDestroy.empty())
	{
		b2Body* body = *m_toDestroy.begin();
		destroyBody(body);
		m_toDestroy.erase(m_toDestroy.begin());
	}
	// The queue is consumed from its end: debris appear in reverse order.
	while (!m_pendingDebris.empty())
	{
		const DebrisSpawn spawn = m_pendingDebris.back();
		m_pendingDebris.pop_back();
		createDebris(spawn);
	}
}

void PhysicsScene::destroyBody(b2Body* body)
{
	const auto it = std::find(m_bodies.begin(), m_bodies.end(), body);
	if (it == m_bodies.end())
	{
		return;
	}
	m_bodies.erase(it);
	delete bodyInfoOf(body);
	m_world->DestroyBody(body);
}

void PhysicsScene::createDebris(const DebrisSpawn& spawn)
{
	b2Body* body = m_world->CreateBody(&spawn.bodyDef);
	b2PolygonShape box;
	box.SetAsBox(debrisHalfExtent, debrisHalfExtent);
	b2FixtureDef fixtureDef = spawn.fixtureDef;
	fixtureDef.shape = &box;
	body->CreateFixture(&fixtureDef);
	registerBody(body, Debris);
}

std::vector<BodyInfo*> PhysicsScene::collectBodyInfo() const
{
	std::vector<BodyInfo*> infos;
	infos.reserve(m_bodies.size());
	for (b2Body* body : m_bodies)
	{
		infos.push_back(bodyInfoOf(body));
	}
	return infos;
}

int PhysicsScene::countKind(BodyKind kind) const
{
	return int(std::count_if(m_bodies.begin(), m_bodies.end(),
		[kind](b2Body* body) { return bodyInfoOf(body)->kind == kind; }));
}

bool PhysicsScene::isRegistered(const b2Body* body) const
{
	return std::find(m_bodies.begin(), m_bodies.end(), body) != m_bodies.end();
}
