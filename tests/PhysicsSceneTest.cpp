#include "physics/BodyFactories.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <gtest/gtest.h>

namespace
{

class PhysicsSceneTest : public ::testing::Test
{
protected:
	PhysicsSceneTest() { scene.createWorld(b2Vec2(0.0f, -10.0f)); }

	b2Body* ballAt(float x, float y) { return createBall(scene, x, y, 1.0f); }

	DebrisSpawn debrisAt(float x, float y)
	{
		DebrisSpawn spawn;
		spawn.bodyDef.type = b2_dynamicBody;
		spawn.bodyDef.position.Set(x, y);
		spawn.fixtureDef.density = 1.0f;
		return spawn;
	}

	PhysicsScene scene;
};

TEST_F(PhysicsSceneTest, RegistryKeepsCreationOrderThroughRemovals)
{
	std::vector<b2Body*> made;
	for (int i = 0; i < 6; ++i)
	{
		made.push_back(ballAt(float(i) * 3.0f, 0.0f));
	}
	scene.mark(made[1]);
	scene.mark(made[4]);
	scene.flush();

	const std::vector<b2Body*> expected = {made[0], made[2], made[3], made[5]};
	EXPECT_EQ(scene.getBodies(), expected);
	EXPECT_EQ(scene.world()->GetBodyCount(), 4);
	const std::vector<BodyInfo*> infos = scene.collectBodyInfo();
	ASSERT_EQ(infos.size(), 4u);
	for (size_t i = 0; i < infos.size(); ++i)
	{
		EXPECT_EQ(infos[i]->body, expected[i]);
		EXPECT_EQ(infos[i]->kind, Solid);
		EXPECT_FALSE(infos[i]->touched);
	}
}

TEST_F(PhysicsSceneTest, BodyMarkedTwiceIsDestroyedOnce)
{
	b2Body* far = ballAt(250.0f, 0.0f);
	b2Body* near = ballAt(0.0f, 0.0f);
	scene.mark(far);
	scene.markOutOfBounds();  // marks `far` again
	scene.mark(far);
	EXPECT_EQ(scene.getMarked().size(), 1u);
	scene.flush();
	EXPECT_EQ(scene.getBodies(), std::vector<b2Body*>{near});
	EXPECT_EQ(scene.world()->GetBodyCount(), 1);
	EXPECT_TRUE(scene.getMarked().empty());
}

TEST_F(PhysicsSceneTest, OutOfBoundsIsStrictAndOnlyForMovingKinds)
{
	b2Body* onEdge = ballAt(200.0f, 0.0f);
	b2Body* beyond = ballAt(200.01f, 0.0f);
	b2Body* below = ballAt(0.0f, -200.5f);
	b2Body* farSensor = createSensorCircle(scene, 500.0f, 0.0f, 1.0f);
	createPortal(scene, -500.0f, 0.0f, 1.0f, 1.0f);
	b2Body* farWall = createWallChain({b2Vec2(300.0f, 0.0f), b2Vec2(310.0f, 0.0f)}, scene);

	scene.markOutOfBounds();
	EXPECT_EQ(scene.getMarked(), (std::set<b2Body*>{beyond, below}));
	scene.flush();
	EXPECT_TRUE(scene.isRegistered(onEdge));
	EXPECT_TRUE(scene.isRegistered(farSensor));
	EXPECT_TRUE(scene.isRegistered(farWall));
	EXPECT_EQ(scene.countKind(Portal), 1);
}

TEST_F(PhysicsSceneTest, MarkKindLeavesOtherKinds)
{
	b2Body* sensor = createSensorCircle(scene, 0.0f, 0.0f, 1.0f);
	b2Body* ball = ballAt(5.0f, 0.0f);
	createWallChain({b2Vec2(0.0f, -5.0f), b2Vec2(10.0f, -5.0f)}, scene);
	createPortal(scene, 20.0f, 0.0f, 2.0f, 2.0f);

	scene.markKind(Wall);
	scene.markKind(Portal);
	scene.flush();
	EXPECT_EQ(scene.getBodies(), (std::vector<b2Body*>{sensor, ball}));
}

TEST_F(PhysicsSceneTest, DebrisAreCreatedInReverseOrderAfterDestruction)
{
	b2Body* ball = ballAt(0.0f, 0.0f);
	scene.mark(ball);
	scene.queueSpawn(debrisAt(1.0f, 0.0f));  // A
	scene.queueSpawn(debrisAt(2.0f, 0.0f));  // B
	scene.flush();

	ASSERT_EQ(scene.getBodies().size(), 2u);
	EXPECT_FLOAT_EQ(scene.getBodies()[0]->GetPosition().x, 2.0f);  // B first
	EXPECT_FLOAT_EQ(scene.getBodies()[1]->GetPosition().x, 1.0f);
	for (b2Body* debris : scene.getBodies())
	{
		EXPECT_EQ(bodyInfoOf(debris)->kind, Debris);
		const b2Fixture* fixture = debris->GetFixtureList();
		ASSERT_NE(fixture, nullptr);
		EXPECT_EQ(fixture->GetNext(), nullptr);
		const b2AABB box = fixture->GetAABB(0);
		EXPECT_NEAR(box.upperBound.x - box.lowerBound.x, 0.2f + 2.0f * b2_polygonRadius, 1e-5f);
	}
	EXPECT_TRUE(scene.getPendingDebris().empty());
}

TEST_F(PhysicsSceneTest, MarkAllDestroysExactlyTheBodiesThatExisted)
{
	ballAt(0.0f, 0.0f);
	createWallChain({b2Vec2(0.0f, -5.0f), b2Vec2(10.0f, -5.0f)}, scene);
	createSensorCircle(scene, 3.0f, 3.0f, 1.0f);
	createPortal(scene, 8.0f, 8.0f, 1.0f, 1.0f);

	scene.markAll();
	b2Body* later = ballAt(20.0f, 0.0f);
	scene.queueSpawn(debrisAt(30.0f, 0.0f));
	scene.flush();

	ASSERT_EQ(scene.getBodies().size(), 2u);
	EXPECT_EQ(scene.getBodies()[0], later);
	EXPECT_EQ(bodyInfoOf(scene.getBodies()[1])->kind, Debris);
	EXPECT_EQ(scene.world()->GetBodyCount(), 2);
}

TEST_F(PhysicsSceneTest, EmptySceneCollectsNothing)
{
	EXPECT_TRUE(scene.collectBodyInfo().empty());
	scene.flush();
	EXPECT_EQ(scene.world()->GetBodyCount(), 0);
}

TEST_F(PhysicsSceneTest, SceneRngStartsFromTheSameStateEveryRun)
{
	PhysicsScene other;
	EXPECT_EQ(scene.rng().state, other.rng().state);
	EXPECT_EQ(scene.rng().state, 5324u);
}

}  // namespace
