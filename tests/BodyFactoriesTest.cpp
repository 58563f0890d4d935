#include "physics/BodyFactories.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_circle_shape.h>
#include <box2d/b2_edge_shape.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>

namespace
{

class BodyFactoriesTest : public ::testing::Test
{
protected:
	BodyFactoriesTest() { scene.createWorld(b2Vec2(0.0f, -10.0f)); }

	void step(int passes)
	{
		for (int i = 0; i < passes; ++i)
		{
			scene.world()->Step(1.0f / 60.0f, 6, 2);
		}
	}

	static std::vector<const b2EdgeShape*> edgesOf(const b2Body* body)
	{
		std::vector<const b2EdgeShape*> edges;
		for (const b2Fixture* f = body->GetFixtureList(); f != nullptr; f = f->GetNext())
		{
			EXPECT_EQ(f->GetType(), b2Shape::e_edge);
			edges.push_back(static_cast<const b2EdgeShape*>(f->GetShape()));
		}
		return edges;
	}

	PhysicsScene scene;
};

TEST_F(BodyFactoriesTest, WallChainHasOneEdgeLessThanPoints)
{
	EXPECT_EQ(createWallChain({}, scene), nullptr);
	EXPECT_EQ(createWallChain({b2Vec2(1.0f, 1.0f)}, scene), nullptr);
	EXPECT_TRUE(scene.getBodies().empty());

	b2Body* pair = createWallChain({b2Vec2(0.0f, 0.0f), b2Vec2(1.0f, 0.0f)}, scene);
	ASSERT_NE(pair, nullptr);
	EXPECT_EQ(edgesOf(pair).size(), 1u);

	std::vector<b2Vec2> many;
	for (int i = 0; i < 9; ++i)
	{
		many.emplace_back(float(i), float(i * i) * 0.1f);
	}
	b2Body* chain = createWallChain(many, scene);
	EXPECT_EQ(edgesOf(chain).size(), 8u);
	EXPECT_EQ(chain->GetType(), b2_staticBody);
	EXPECT_EQ(bodyInfoOf(chain)->kind, Wall);
	EXPECT_EQ(scene.countKind(Wall), 2);
}

TEST_F(BodyFactoriesTest, WallChainIsOpenAndFollowsThePoints)
{
	const b2Vec2 a(0.0f, 0.0f), b(10.0f, 0.0f), c(10.0f, 10.0f), d(0.0f, 10.0f);
	b2Body* body = createWallChain({a, b, c, d}, scene);
	// Box2D lists fixtures newest first.
	const std::vector<const b2EdgeShape*> edges = edgesOf(body);
	ASSERT_EQ(edges.size(), 3u);
	const std::pair<b2Vec2, b2Vec2> expected[] = {{c, d}, {b, c}, {a, b}};
	for (size_t i = 0; i < 3; ++i)
	{
		EXPECT_EQ(edges[i]->m_vertex1, expected[i].first);
		EXPECT_EQ(edges[i]->m_vertex2, expected[i].second);
		EXPECT_FALSE(edges[i]->m_oneSided);
	}
	for (const b2Fixture* f = body->GetFixtureList(); f != nullptr; f = f->GetNext())
	{
		EXPECT_FLOAT_EQ(f->GetFriction(), 0.2f);
		EXPECT_FLOAT_EQ(f->GetRestitution(), 0.0f);
	}
}

TEST_F(BodyFactoriesTest, BallFallsWhileSensorAndPortalStay)
{
	b2Body* ball = createBall(scene, 0.0f, 10.0f, 1.0f);
	b2Body* sensor = createSensorCircle(scene, 10.0f, 10.0f, 1.0f);
	createPortal(scene, 20.0f, 10.0f, 2.0f, 1.5f);
	b2Body* portal = scene.getBodies().back();
	step(60);

	EXPECT_LT(ball->GetPosition().y, 10.0f - 4.0f);  // about 5 m after one second
	EXPECT_EQ(sensor->GetPosition(), b2Vec2(10.0f, 10.0f));
	EXPECT_EQ(portal->GetPosition(), b2Vec2(20.0f, 10.0f));
	EXPECT_EQ(bodyInfoOf(ball)->kind, Solid);
	EXPECT_EQ(bodyInfoOf(sensor)->kind, SensorCircle);
	EXPECT_EQ(bodyInfoOf(portal)->kind, Portal);

	const b2Fixture* ballFixture = ball->GetFixtureList();
	EXPECT_FLOAT_EQ(ballFixture->GetFriction(), 0.3f);
	EXPECT_FLOAT_EQ(ballFixture->GetDensity(), 1.0f);
	EXPECT_FALSE(ballFixture->IsSensor());
	EXPECT_FLOAT_EQ(ballFixture->GetShape()->m_radius, 1.0f);
	EXPECT_TRUE(sensor->GetFixtureList()->IsSensor());
	EXPECT_TRUE(portal->GetFixtureList()->IsSensor());

	const auto* box = static_cast<const b2PolygonShape*>(portal->GetFixtureList()->GetShape());
	ASSERT_EQ(box->m_count, 4);
	for (int i = 0; i < 4; ++i)
	{
		EXPECT_FLOAT_EQ(std::abs(box->m_vertices[i].x), 2.0f);
		EXPECT_FLOAT_EQ(std::abs(box->m_vertices[i].y), 1.5f);
	}
}

TEST_F(BodyFactoriesTest, SensorsGiveNoImpulse)
{
	// Two balls fall side by side, one straight through a sensor circle and a
	// portal: both must fall exactly alike.
	b2Body* free = createBall(scene, 0.0f, 10.0f, 1.0f);
	b2Body* through = createBall(scene, 30.0f, 10.0f, 1.0f);
	createSensorCircle(scene, 30.0f, 8.0f, 1.0f);
	createPortal(scene, 30.0f, 4.0f, 2.0f, 2.0f);
	step(90);
	EXPECT_FLOAT_EQ(through->GetPosition().y, free->GetPosition().y);
	EXPECT_FLOAT_EQ(through->GetPosition().x, 30.0f);
	EXPECT_FLOAT_EQ(through->GetLinearVelocity().y, free->GetLinearVelocity().y);
}

TEST_F(BodyFactoriesTest, EverythingSolidCollidesWithEverythingSolid)
{
	createWallChain({b2Vec2(-10.0f, 0.0f), b2Vec2(10.0f, 0.0f)}, scene);
	b2Body* lower = createBall(scene, 0.0f, 1.0f, 1.0f);
	b2Body* upper = createBall(scene, 0.0f, 4.0f, 1.0f);
	step(180);
	// The lower ball rests on the wall and the upper one on it.
	EXPECT_NEAR(lower->GetPosition().y, 1.0f, 0.05f);
	EXPECT_GT(upper->GetPosition().y, lower->GetPosition().y + 1.9f);
}

TEST_F(BodyFactoriesTest, MakeEdgeIsTwoSidedWithoutGhosts)
{
	const b2EdgeShape edge = makeEdge(1.0f, 2.0f, 3.0f, 4.0f);
	EXPECT_EQ(edge.m_vertex1, b2Vec2(1.0f, 2.0f));
	EXPECT_EQ(edge.m_vertex2, b2Vec2(3.0f, 4.0f));
	EXPECT_FALSE(edge.m_oneSided);
}

}  // namespace
