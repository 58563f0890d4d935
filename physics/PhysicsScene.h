#pragma once

#include "core/EventSink.h"
#include "physics/BodyInfo.h"
#include "physics/DebrisSpawn.h"
#include "physics/PortalContactListener.h"

#include <box2d/b2_world.h>
#include <opencv2/core.hpp>

#include <memory>
#include <set>
#include <vector>

/// The box, in world units, whose outside no moving body survives.
struct PlayArea
{
	double minX = -200.0;
	double maxX = 200.0;
	double minY = -200.0;
	double maxY = 200.0;
};

/// The one physics scene of a run: the Box2D world and the registry of every
/// body the system creates.
///
/// Bodies are never destroyed where the decision is taken. They are marked, and
/// one flush per pass, after the world step, destroys the marked bodies and then
/// creates the debris that contacts have queued. All creation and destruction
/// thus happens outside b2World::Step.
///
/// Invariants: a body is in the registry exactly once from registration until
/// the flush that destroys it; it carries a BodyInfo whose `body` points back to
/// it; removals keep the creation order of the others.
class PhysicsScene
{
public:
	PhysicsScene();

	/// Releases the world, its bodies and their records.
	~PhysicsScene();

	PhysicsScene(const PhysicsScene&) = delete;
	PhysicsScene& operator=(const PhysicsScene&) = delete;

	/// Create the world with the given gravity. Called once at start-up; the
	/// contact listener is installed separately (start-up does it next).
	void createWorld(const b2Vec2& gravity);

	/// Attach a new BodyInfo {body, kind, false} to a body whose fixtures exist
	/// and append it to the registry.
	void registerBody(b2Body* body, BodyKind kind);

	/// Mark one body for the next flush. Marking twice has no further effect.
	void mark(b2Body* body);

	/// Mark every Solid or Debris body whose origin is strictly outside the
	/// box [minX, maxX] x [minY, maxY].
	void markOutOfBounds();

	/// Mark every registered body of one kind.
	void markKind(BodyKind kind);

	/// Mark every registered body.
	void markAll();

	/// Destroy the marked bodies (lowest pointer first), then create the queued
	/// debris, newest first.
	void flush();

	/// The records of all registered bodies, in registration order.
	std::vector<BodyInfo*> collectBodyInfo() const;

	/// Number of registered bodies of one kind.
	int countKind(BodyKind kind) const;

	/// Queue one debris body for the next flush.
	void queueSpawn(const DebrisSpawn& spawn) { m_pendingDebris.push_back(spawn); }

	const std::vector<b2Body*>& getBodies() const { return m_bodies; }
	const std::set<b2Body*>& getMarked() const { return m_toDestroy; }
	const std::vector<DebrisSpawn>& getPendingDebris() const { return m_pendingDebris; }
	bool isRegistered(const b2Body* body) const;

	/// The world; null until createWorld.
	b2World* world() { return m_world.get(); }
	const b2World* world() const { return m_world.get(); }

	/// The box outside which moving bodies leave the game.
	const PlayArea& playArea() const { return m_playArea; }
	void setPlayArea(const PlayArea& area) { m_playArea = area; }

	/// The portal's contact listener, which start-up installs in the world.
	PortalContactListener& contactListener() { return m_listener; }

	/// Random places of spawned boxes and angles and speeds of debris. It starts
	/// from the same state on every run, so the same actions give the same scene.
	cv::RNG& rng() { return m_rng; }
	const cv::RNG& rng() const { return m_rng; }

	/// Touched sensors, shatters, boxes and mouse walls are reported to `sink`;
	/// null (as in plain physics tests) reports nothing.
	void setEventSink(EventSink* sink) { m_events = sink; }

	/// Report an event, if anyone listens.
	void report(Event event) { reportTo(m_events, std::move(event)); }

private:
	void destroyBody(b2Body* body);
	void createDebris(const DebrisSpawn& spawn);

	std::unique_ptr<b2World> m_world;
	std::vector<b2Body*> m_bodies;
	std::set<b2Body*> m_toDestroy;
	std::vector<DebrisSpawn> m_pendingDebris;
	PlayArea m_playArea;
	PortalContactListener m_listener;
	cv::RNG m_rng;
	EventSink* m_events = nullptr;
	/// Bodies registered so far, the last one's id.
	int m_registeredCount = 0;
};
