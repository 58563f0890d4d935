#include "app/Trace.h"
#include "core/FixedValues.h"
#include "physics/BodyFactories.h"
#include "physics/DebrisSpawn.h"
#include "physics/HitRate.h"
#include "physics/MouseWalls.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <gtest/gtest.h>

#include <cmath>

namespace
{

/// A floor 40 m wide at y = 0, stepped as the main loop steps it, its events kept.
class HitReportsTest : public ::testing::Test
{
protected:
	HitReportsTest()
	{
		scene.createWorld(defaultGravity());
		scene.world()->SetContactListener(&scene.contactListener());
		scene.setEventSink(&trace);
		trace.addSink([this](const PassRecord& record) {
			events.insert(events.end(), record.events.begin(), record.events.end());
		});
	}

	void run(int count)
	{
		for (int i = 0; i < count; ++i)
		{
			scene.world()->Step(timeStep, velocityIterations, positionIterations);
			scene.contactListener().stepped(timeStep);
			scene.markOutOfBounds();
			scene.flush();
			trace.endPass(++passCount, 0, scene);
		}
	}

	std::vector<const Event*> eventsOf(const std::string& type) const
	{
		std::vector<const Event*> found;
		for (const Event& event : events)
		{
			if (event.type == type)
			{
				found.push_back(&event);
			}
		}
		return found;
	}

	PhysicsScene scene;
	Trace trace;
	std::vector<Event> events;
	int passCount = 0;
};

TEST_F(HitReportsTest, ADroppedBallHitsOnceAtTheSpeedItFell)
{
	createWallChain({b2Vec2(-20.0f, 0.0f), b2Vec2(20.0f, 0.0f)}, scene);
	const float radius = 1.3f;
	// A drop of h metres meets the floor at sqrt(2 g h), give or take two
	// steps' worth of gravity: the contact begins a step or two late.
	double slower = 0.0;
	for (const double height : {0.5, 1.0, 3.0, 8.0, 20.0})
	{
		SCOPED_TRACE(height);
		events.clear();
		b2Body* ball = createBall(scene, 0.0f, radius + float(height), radius);
		run(180);
		const std::vector<const Event*> hits = eventsOf("hit");
		ASSERT_EQ(hits.size(), 1u);
		const double fell = std::sqrt(2.0 * 10.0 * height);
		EXPECT_NEAR(hits[0]->number("speed"), fell, 0.4 + 0.03 * fell);
		EXPECT_GT(hits[0]->number("speed"), slower);
		slower = hits[0]->number("speed");
		EXPECT_NEAR(hits[0]->number("impulse"), hits[0]->number("speed") * ball->GetMass(), 1e-3 * ball->GetMass());
		EXPECT_EQ(hits[0]->number("ball"), bodyInfoOf(ball)->id);
		EXPECT_NEAR(hits[0]->number("x"), 0.0, 0.01);
		EXPECT_NEAR(hits[0]->number("y"), radius, 0.1);
		scene.mark(ball);
	}
}

TEST_F(HitReportsTest, RestingRollingAndSoftLandingsMakeNoHit)
{
	// A floor, a ramp of ten segments at 20 degrees and a ball set down on each.
	createWallChain({b2Vec2(-20.0f, 0.0f), b2Vec2(20.0f, 0.0f)}, scene);
	std::vector<b2Vec2> ramp;
	for (int i = 0; i <= 10; ++i)
	{
		ramp.emplace_back(-20.0f + 2.0f * float(i), 20.0f - 0.728f * float(i));
	}
	createWallChain(ramp, scene);
	createBall(scene, 10.0f, 1.0f + 0.04f, 1.0f);
	createBall(scene, -17.0f, 20.0f - 0.728f * 1.5f + 1.1f, 1.0f);
	run(60);
	EXPECT_EQ(eventsOf("hit").size(), 0u);
}

TEST_F(HitReportsTest, OnlyABallOrABoxOnAWallIsAHit)
{
	createWallChain({b2Vec2(-20.0f, 0.0f), b2Vec2(20.0f, 0.0f)}, scene);
	// A sensor in the way and debris falling beside it: neither knocks.
	createSensorCircle(scene, 0.0f, 6.0f, 1.5f);
	queueDebris(scene, 10.0f, 8.0f);
	scene.flush();
	b2Body* ball = createBall(scene, 0.0f, 10.0f, 1.0f);
	run(120);
	ASSERT_EQ(eventsOf("hit").size(), 1u);
	EXPECT_EQ(eventsOf("hit")[0]->number("ball"), bodyInfoOf(ball)->id);
	ASSERT_EQ(eventsOf("touched").size(), 1u);

	// A wall drawn with the mouse is a wall too.
	events.clear();
	createWallSegment(scene, -15.0f, 5.0f, -5.0f, 5.0f);
	createBall(scene, -10.0f, 12.0f, 1.0f);
	run(120);
	EXPECT_EQ(eventsOf("hit").size(), 1u);
}

TEST_F(HitReportsTest, ATouchedSensorSaysWhichSensorAndWhichBall)
{
	b2Body* first = createSensorCircle(scene, 0.0f, 0.0f, 1.5f);
	b2Body* second = createSensorCircle(scene, 10.0f, 0.0f, 1.5f);
	b2Body* ball = createBall(scene, 10.0f, 5.0f, 1.0f);
	b2Body* other = createBall(scene, 0.0f, 8.0f, 1.0f);
	run(90);
	const std::vector<const Event*> touched = eventsOf("touched");
	ASSERT_EQ(touched.size(), 2u);
	EXPECT_EQ(touched[0]->number("sensor"), bodyInfoOf(second)->id);
	EXPECT_EQ(touched[0]->number("ball"), bodyInfoOf(ball)->id);
	EXPECT_EQ(touched[1]->number("sensor"), bodyInfoOf(first)->id);
	EXPECT_EQ(touched[1]->number("ball"), bodyInfoOf(other)->id);
	// Numbers in the order of making, never shared.
	EXPECT_EQ(bodyInfoOf(first)->id + 1, bodyInfoOf(second)->id);
	EXPECT_EQ(bodyInfoOf(ball)->id + 1, bodyInfoOf(other)->id);
}

TEST(HitRate, NeverTwoWithin60msAtMostFourInASecond)
{
	const struct
	{
		std::vector<double> times;
		std::vector<bool> allowed;
	} cases[] = {
		{{0.0, 0.05, 0.06, 0.1, 0.2}, {true, false, true, false, true}},
		// Every 70 ms: four, then nothing until a second after the first.
		{{0.0, 0.07, 0.14, 0.21, 0.28, 0.99, 1.0, 1.08, 1.16}, {true, true, true, true, false, false, true, true, true}},
		{{5.0, 6.0, 7.0, 8.0, 9.0, 9.0}, {true, true, true, true, true, false}},
	};
	for (const auto& c : cases)
	{
		HitRate rate;
		for (std::size_t i = 0; i < c.times.size(); ++i)
		{
			EXPECT_EQ(rate.allow(c.times[i]), c.allowed[i]) << "at " << c.times[i];
		}
	}
}

}  // namespace
