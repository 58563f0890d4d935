#include "app/Trace.h"
#include "physics/BodyFactories.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_contact.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>

namespace
{

/// A scene stepped as the main loop does, with its trace kept.
class PortalContactsTest : public ::testing::Test
{
protected:
	PortalContactsTest()
	{
		scene.createWorld(b2Vec2(0.0f, -10.0f));
		scene.world()->SetContactListener(&scene.contactListener());
		scene.setEventSink(&trace);
		trace.addSink([this](const PassRecord& record) {
			events.insert(events.end(), record.events.begin(), record.events.end());
		});
	}

	/// Step, out-of-bounds marking and flush, as in one pass.
	void pass()
	{
		scene.world()->Step(1.0f / 60.0f, 6, 2);
		scene.markOutOfBounds();
		scene.flush();
		trace.endPass(1, 0, scene);
	}

	std::vector<b2Body*> debris() const
	{
		std::vector<b2Body*> found;
		for (const BodyInfo* info : scene.collectBodyInfo())
		{
			if (info->kind == Debris)
			{
				found.push_back(info->body);
			}
		}
		return found;
	}

	PhysicsScene scene;
	Trace trace;
	std::vector<Event> events;
};

TEST_F(PortalContactsTest, BallDroppedOnThePortalLeavesTwoSmallDebrisWhereItWas)
{
	createPortal(scene, 0.0f, 0.0f, 2.0f, 2.0f);
	b2Body* ball = createBall(scene, 0.0f, 6.0f, 1.0f);
	b2Vec2 beforeStep;
	for (int i = 0; i < 120 && scene.getMarked().empty(); ++i)
	{
		beforeStep = ball->GetPosition();
		scene.world()->Step(1.0f / 60.0f, 6, 2);
	}
	// Contacts are reported at the start of a step, before anything moves;
	// the ball lives on until the flush.
	ASSERT_EQ(scene.getMarked(), std::set<b2Body*>{ball});
	EXPECT_TRUE(scene.isRegistered(ball));
	scene.flush();

	EXPECT_EQ(scene.countKind(Solid), 0);  // (Box2D may reuse its memory for a debris)
	ASSERT_EQ(debris().size(), 2u);
	for (b2Body* piece : debris())
	{
		EXPECT_EQ(piece->GetPosition(), beforeStep);
		EXPECT_GT(piece->GetLinearVelocity().y, 0.0f);
		EXPECT_LE(piece->GetLinearVelocity().y, 10.0f);
		EXPECT_GE(piece->GetLinearVelocity().x, -10.0f);
		EXPECT_LT(piece->GetLinearVelocity().x, 10.0f);
		const b2Fixture* fixture = piece->GetFixtureList();
		EXPECT_FALSE(fixture->IsSensor());
		EXPECT_FLOAT_EQ(fixture->GetFriction(), 0.3f);
		const auto* box = static_cast<const b2PolygonShape*>(fixture->GetShape());
		ASSERT_EQ(box->m_count, 4);
		EXPECT_FLOAT_EQ(box->m_vertices[2].x, 0.1f);  // 0.2 x 0.2
		EXPECT_FLOAT_EQ(box->m_vertices[2].y, 0.1f);
	}
}

TEST_F(PortalContactsTest, FirstShatterOfARunDrawsAngleUpwardAndSidewaysSpeedInThatOrder)
{
	createPortal(scene, 0.0f, 0.0f, 2.0f, 2.0f);
	createBall(scene, 0.5f, 0.5f, 1.0f);
	pass();

	// Per debris: two generator steps for the angle, one each for the upward
	// and the sideways speed. The flush makes the second queued first.
	cv::RNG fresh(5324);
	struct Expected
	{
		float angle, vx, vy;
	} expected[2];
	for (Expected& e : expected)
	{
		const uint64_t high = fresh.next();
		e.angle = float(3.14 * double((high << 32) | fresh.next()) * 5.4210108624275221700372640043497e-20);
		e.vy = 10.0f - 10.0f * (float(fresh.next()) * 2.3283064365386962890625e-10f);
		e.vx = 20.0f * (float(fresh.next()) * 2.3283064365386962890625e-10f) - 10.0f;
	}
	EXPECT_EQ(scene.rng().state, fresh.state);  // eight steps, no more
	const std::vector<b2Body*> made = debris();
	ASSERT_EQ(made.size(), 2u);
	for (int i = 0; i < 2; ++i)
	{
		EXPECT_FLOAT_EQ(made[i]->GetAngle(), expected[1 - i].angle);
		EXPECT_FLOAT_EQ(made[i]->GetLinearVelocity().x, expected[1 - i].vx);
		EXPECT_FLOAT_EQ(made[i]->GetLinearVelocity().y, expected[1 - i].vy);
	}
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].type, "shatter");
	EXPECT_DOUBLE_EQ(events[0].number("x"), 0.5);
}

TEST_F(PortalContactsTest, BallLyingWhereARescanPlacesThePortalLeavesFourDebris)
{
	// A rescan places the portal twice: the second placement marks the first,
	// which lives on until the next flush, so both begin contact in one step.
	createPortal(scene, 10.0f, 10.0f, 3.0f, 3.0f);
	createBall(scene, 10.0f, 10.0f, 1.0f);
	scene.markKind(Portal);
	createPortal(scene, 10.0f, 10.0f, 3.0f, 3.0f);
	pass();
	EXPECT_EQ(scene.countKind(Solid), 0);
	EXPECT_EQ(scene.world()->GetBodyCount(), 5);  // one portal, four debris
	EXPECT_EQ(debris().size(), 4u);
}

TEST_F(PortalContactsTest, BallThroughASensorCircleKeepsFallingAndMarksItTouched)
{
	b2Body* sensor = createSensorCircle(scene, 0.0f, 0.0f, 1.0f);
	b2Body* ball = createBall(scene, 0.0f, 4.0f, 1.0f);
	float lastSpeed = 0.0f;
	for (int i = 0; i < 90; ++i)
	{
		pass();
		EXPECT_LT(ball->GetLinearVelocity().y, lastSpeed);  // no response: the fall only speeds up
		lastSpeed = ball->GetLinearVelocity().y;
	}
	EXPECT_LT(ball->GetPosition().y, -4.0f);
	EXPECT_TRUE(bodyInfoOf(sensor)->touched);
	EXPECT_EQ(sensor->GetPosition(), b2Vec2(0.0f, 0.0f));
	EXPECT_EQ(scene.countKind(Debris), 0);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].type, "touched");
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
	const uint64 rngBefore = scene.rng().state;

	// Make sure the debris really met the sensors, so "nothing" means something.
	int touchingContacts = 0;
	for (int i = 0; i < 40; ++i)
	{
		pass();
		for (b2ContactEdge* edge = portal->GetContactList(); edge != nullptr; edge = edge->next)
		{
			touchingContacts += edge->contact->IsTouching();
		}
	}
	ASSERT_GT(touchingContacts, 0);
	EXPECT_EQ(scene.world()->GetBodyCount(), 4);
	EXPECT_TRUE(scene.getMarked().empty());
	EXPECT_FALSE(bodyInfoOf(sensor)->touched);
	EXPECT_EQ(scene.rng().state, rngBefore);
	EXPECT_TRUE(events.empty());
}

}  // namespace
