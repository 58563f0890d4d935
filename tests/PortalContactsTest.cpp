#include "app/Trace.h"
#include "physics/BodyFactories.h"
#include "physics/PhysicsScene.h"
#include "physics/SpawnedBoxes.h"

#include <box2d/b2_body.h>
#include <box2d/b2_contact.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>

#include <cmath>

namespace
{

/// A scene stepped as the main loop does, with its trace kept.
class PortalContactsTest : public ::testing::Test
{
protected:
	PortalContactsTest()
	{
		scene.createWorld(b2Vec2(0.0f, -10.0f));
		scene.world->SetContactListener(&scene.listener);
		scene.trace = &trace;
		trace.addSink([this](const PassRecord& record) { passes.push_back(record); });
	}

	/// One pass of the physics: step, out-of-bounds marking, flush.
	void pass()
	{
		scene.world->Step(1.0f / 60.0f, 6, 2);
		scene.markOutOfBounds();
		scene.flush();
		trace.endPass(int(passes.size()) + 1, 0, scene);
	}

	std::vector<b2Body*> bodiesOf(BodyKind kind) const
	{
		std::vector<b2Body*> found;
		for (const BodyInfo* info : scene.collectBodyInfo())
		{
			if (info->kind == kind)
			{
				found.push_back(info->body);
			}
		}
		return found;
	}

	/// True when some contact of the body is touching now; guards the "nothing
	/// happens" tests against passing only because nothing met.
	static bool isTouchingSomething(b2Body* body)
	{
		for (b2ContactEdge* edge = body->GetContactList(); edge != nullptr; edge = edge->next)
		{
			if (edge->contact->IsTouching())
			{
				return true;
			}
		}
		return false;
	}

	PhysicsScene scene;
	Trace trace;
	std::vector<PassRecord> passes;
};

/// The generator as the debris draw from it, step by step.
struct ExpectedDebris
{
	double angle;
	float vx;
	float vy;
};

ExpectedDebris nextDebris(cv::RNG& rng)
{
	const unsigned high = rng.next();
	const unsigned low = rng.next();
	const double u = double((uint64_t(high) << 32) | low) * 5.4210108624275221700372640043497e-20;
	const float f1 = float(rng.next()) * 2.3283064365386962890625e-10f;
	const float f2 = float(rng.next()) * 2.3283064365386962890625e-10f;
	return {3.14 * u, 20.0f * f2 - 10.0f, 10.0f + (0.0f - 10.0f) * f1};
}

TEST_F(PortalContactsTest, BallDroppedOnThePortalShattersIntoTwoDebrisWhereItWas)
{
	createPortal(scene, 0.0f, 0.0f, 2.0f, 2.0f);
	b2Body* ball = createBall(scene, 0.0f, 6.0f, 1.0f);

	b2Vec2 beforeStep;
	for (int i = 0; i < 120 && scene.getMarked().empty(); ++i)
	{
		beforeStep = ball->GetPosition();
		scene.world->Step(1.0f / 60.0f, 6, 2);
	}
	// Box2D reports new contacts at the start of a step, before it moves anything.
	ASSERT_EQ(scene.getMarked(), std::set<b2Body*>{ball});
	ASSERT_EQ(scene.getPendingDebris().size(), 2u);
	EXPECT_TRUE(scene.isRegistered(ball));  // still there until the flush

	scene.flush();
	// (Box2D may reuse the ball's memory for a debris, so count rather than look it up.)
	EXPECT_EQ(scene.countKind(Solid), 0);
	EXPECT_EQ(scene.world->GetBodyCount(), 3);
	const std::vector<b2Body*> debris = bodiesOf(Debris);
	ASSERT_EQ(debris.size(), 2u);
	for (b2Body* piece : debris)
	{
		EXPECT_EQ(piece->GetType(), b2_dynamicBody);
		EXPECT_EQ(piece->GetPosition(), beforeStep);
		EXPECT_GE(piece->GetAngle(), 0.0f);
		EXPECT_LT(piece->GetAngle(), 3.14f);
		EXPECT_GT(piece->GetLinearVelocity().y, 0.0f);
		EXPECT_LE(piece->GetLinearVelocity().y, 10.0f);
		EXPECT_GE(piece->GetLinearVelocity().x, -10.0f);
		EXPECT_LT(piece->GetLinearVelocity().x, 10.0f);

		const b2Fixture* fixture = piece->GetFixtureList();
		ASSERT_NE(fixture, nullptr);
		EXPECT_EQ(fixture->GetNext(), nullptr);
		EXPECT_FALSE(fixture->IsSensor());
		EXPECT_FLOAT_EQ(fixture->GetDensity(), 1.0f);
		EXPECT_FLOAT_EQ(fixture->GetFriction(), 0.3f);
		ASSERT_EQ(fixture->GetType(), b2Shape::e_polygon);
		const auto* box = static_cast<const b2PolygonShape*>(fixture->GetShape());
		ASSERT_EQ(box->m_count, 4);
		for (int v = 0; v < 4; ++v)
		{
			EXPECT_FLOAT_EQ(std::abs(box->m_vertices[v].x), 0.1f);
			EXPECT_FLOAT_EQ(std::abs(box->m_vertices[v].y), 0.1f);
		}
	}
}

TEST_F(PortalContactsTest, FirstShatterOfARunIsTheSameEveryRunInTheDrawOrder)
{
	createPortal(scene, 0.0f, 0.0f, 2.0f, 2.0f);
	const b2Body* ball = createBall(scene, 0.5f, 0.5f, 1.0f);
	const b2Vec2 at = ball->GetPosition();
	pass();

	// Per debris: a double draw for the angle, then float draws for the upward
	// and the sideways speed. The flush makes the second queued first.
	cv::RNG fresh(5324);
	const ExpectedDebris first = nextDebris(fresh);
	const ExpectedDebris second = nextDebris(fresh);
	EXPECT_EQ(scene.sceneRng.state, fresh.state);  // eight steps, no more

	const std::vector<b2Body*> debris = bodiesOf(Debris);
	ASSERT_EQ(debris.size(), 2u);
	const ExpectedDebris* expected[2] = {&second, &first};
	for (int i = 0; i < 2; ++i)
	{
		EXPECT_FLOAT_EQ(debris[i]->GetAngle(), float(expected[i]->angle));
		EXPECT_FLOAT_EQ(debris[i]->GetLinearVelocity().x, expected[i]->vx);
		EXPECT_FLOAT_EQ(debris[i]->GetLinearVelocity().y, expected[i]->vy);
	}

	const std::vector<const TraceEvent*> shatters = passes.at(0).eventsOf("shatter");
	ASSERT_EQ(shatters.size(), 1u);
	EXPECT_DOUBLE_EQ(shatters[0]->number("x"), at.x);
	EXPECT_DOUBLE_EQ(shatters[0]->number("y"), at.y);
	EXPECT_TRUE(shatters[0]->has("velocities"));
}

TEST_F(PortalContactsTest, BallLyingInTheRescannedPortalIsDestroyedOnceAndLeavesFourDebris)
{
	createPortal(scene, 10.0f, 10.0f, 3.0f, 3.0f);
	createBall(scene, 10.0f, 10.0f, 1.0f);
	pass();  // the ball shatters in the first portal already
	ASSERT_EQ(scene.countKind(Debris), 2);

	// A rescan places the portal twice: the second placement marks the first
	// portal, which lives on until the next flush.
	for (b2Body* piece : bodiesOf(Debris))
	{
		scene.mark(piece);
	}
	createBall(scene, 10.0f, 10.0f, 1.0f);
	scene.markKind(Portal);
	createPortal(scene, 10.0f, 10.0f, 3.0f, 3.0f);
	const uint64 before = scene.sceneRng.state;
	ASSERT_EQ(scene.countKind(Portal), 2);
	pass();

	EXPECT_EQ(scene.countKind(Solid), 0);
	EXPECT_EQ(scene.countKind(Debris), 4);
	EXPECT_EQ(scene.countKind(Portal), 1);
	EXPECT_EQ(passes.back().eventsOf("shatter").size(), 2u);
	cv::RNG sixteenSteps(before);
	for (int i = 0; i < 16; ++i)
	{
		sixteenSteps.next();
	}
	EXPECT_EQ(scene.sceneRng.state, sixteenSteps.state);
}

TEST_F(PortalContactsTest, BallThroughASensorCircleKeepsFallingAndMarksItTouched)
{
	b2Body* sensor = createSensorCircle(scene, 0.0f, 0.0f, 1.0f);
	b2Body* ball = createBall(scene, 0.0f, 4.0f, 1.0f);
	EXPECT_FALSE(bodyInfoOf(sensor)->touched);
	float lastY = ball->GetPosition().y;
	float lastSpeed = 0.0f;
	for (int i = 0; i < 90; ++i)
	{
		pass();
		// No response from the sensor: the fall only ever gets faster.
		EXPECT_LT(ball->GetPosition().y, lastY);
		EXPECT_LT(ball->GetLinearVelocity().y, lastSpeed);
		lastY = ball->GetPosition().y;
		lastSpeed = ball->GetLinearVelocity().y;
	}
	EXPECT_LT(lastY, -4.0f);
	EXPECT_TRUE(bodyInfoOf(sensor)->touched);
	EXPECT_EQ(sensor->GetPosition(), b2Vec2(0.0f, 0.0f));
	EXPECT_TRUE(scene.isRegistered(ball));
	EXPECT_EQ(scene.countKind(Debris), 0);

	int touchedEvents = 0;
	for (const PassRecord& record : passes)
	{
		for (const TraceEvent* event : record.eventsOf("touched"))
		{
			++touchedEvents;
			EXPECT_DOUBLE_EQ(event->number("x"), 0.0);
			EXPECT_DOUBLE_EQ(event->number("y"), 0.0);
		}
	}
	EXPECT_EQ(touchedEvents, 1);
}

TEST_F(PortalContactsTest, DebrisWallsAndOtherSensorsChangeNothing)
{
	createPortal(scene, 0.0f, 0.0f, 3.0f, 3.0f);
	b2Body* portal = scene.getBodies().back();
	b2Body* sensor = createSensorCircle(scene, 0.0f, 0.0f, 1.0f);  // inside the portal
	createWallChain({b2Vec2(-5.0f, -1.0f), b2Vec2(5.0f, -1.0f)}, scene);
	DebrisSpawn spawn;
	spawn.bodyDef.type = b2_dynamicBody;
	spawn.bodyDef.position.Set(0.0f, 2.0f);
	spawn.fixtureDef.density = 1.0f;
	scene.queueSpawn(spawn);
	scene.flush();
	const b2Body* debris = bodiesOf(Debris).at(0);
	const uint64 rngBefore = scene.sceneRng.state;

	bool met = false;
	for (int i = 0; i < 40; ++i)
	{
		pass();
		met = met || (isTouchingSomething(portal) && isTouchingSomething(sensor));
	}
	ASSERT_TRUE(met);
	EXPECT_TRUE(scene.isRegistered(debris));
	EXPECT_EQ(scene.countKind(Debris), 1);
	EXPECT_EQ(scene.countKind(Portal), 1);
	EXPECT_EQ(scene.countKind(Wall), 1);
	EXPECT_FALSE(bodyInfoOf(sensor)->touched);
	EXPECT_EQ(scene.sceneRng.state, rngBefore);
	for (const PassRecord& record : passes)
	{
		EXPECT_TRUE(record.events.empty());
	}
}

TEST_F(PortalContactsTest, SpawnedBoxShattersLikeABall)
{
	spawnBox(scene);
	b2Body* box = bodiesOf(Solid).at(0);
	createPortal(scene, box->GetPosition().x, box->GetPosition().y, 2.0f, 2.0f);
	pass();
	EXPECT_EQ(scene.countKind(Solid), 0);
	EXPECT_EQ(scene.countKind(Debris), 2);
}

TEST_F(PortalContactsTest, ShatteringAnUnknownBodyDoesNothing)
{
	b2BodyDef def;
	def.type = b2_dynamicBody;
	b2Body* stranger = scene.world->CreateBody(&def);
	scene.listener.shatter(stranger);
	EXPECT_TRUE(scene.getMarked().empty());
	EXPECT_TRUE(scene.getPendingDebris().empty());
}

}  // namespace
