#include "TestSupport.h"

#include "physics/MouseWalls.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>
#include <opencv2/highgui.hpp>

#include <cmath>

namespace
{

/// Both ends of a mouse wall in world units: the slab's centre line, found
/// from its vertices and transform.
struct Slab
{
	b2Vec2 end1;
	b2Vec2 end2;
	float thickness;
};

Slab slabOf(const b2Body* body)
{
	const b2Fixture* fixture = body->GetFixtureList();
	EXPECT_EQ(fixture->GetNext(), nullptr);
	EXPECT_EQ(fixture->GetType(), b2Shape::e_polygon);
	const auto* box = static_cast<const b2PolygonShape*>(fixture->GetShape());
	EXPECT_EQ(box->m_count, 4);
	const b2Vec2 local = box->m_vertices[2];  // SetAsBox: (+hx, +hy)
	const b2Transform& xf = body->GetTransform();
	return {b2Mul(xf, b2Vec2(local.x, 0.0f)), b2Mul(xf, b2Vec2(-local.x, 0.0f)), 2.0f * local.y};
}

/// True when the slab runs between the two world points, in either direction.
bool joins(const Slab& slab, b2Vec2 a, b2Vec2 b)
{
	const auto near = [](b2Vec2 p, b2Vec2 q) { return b2Distance(p, q) < 1e-5f; };
	return (near(slab.end1, a) && near(slab.end2, b)) || (near(slab.end1, b) && near(slab.end2, a));
}

class MouseAndKeysTest : public ::testing::Test
{
protected:
	MouseAndKeysTest() : program(TestProgram::still()) { program->run(1); }

	void mouse(int event, int x, int y) { program->display->pushMouse("game", event, x, y); }

	std::vector<b2Body*> walls() const
	{
		std::vector<b2Body*> found;
		for (const BodyInfo* info : program->app->scene.collectBodyInfo())
		{
			if (info->kind == Wall)
			{
				found.push_back(info->body);
			}
		}
		return found;
	}

	std::vector<const TraceEvent*> eventsOf(const std::string& type) const
	{
		std::vector<const TraceEvent*> found;
		for (const PassRecord& record : program->passes)
		{
			for (const TraceEvent* event : record.eventsOf(type))
			{
				found.push_back(event);
			}
		}
		return found;
	}

	std::unique_ptr<TestProgram> program;
};

TEST_F(MouseAndKeysTest, DragThroughThreePointsLaysTwoExactWalls)
{
	mouse(cv::EVENT_LBUTTONDOWN, 100, 100);  // A: world (0, 10)
	mouse(cv::EVENT_MOUSEMOVE, 150, 100);    // B: world (5, 10)
	mouse(cv::EVENT_MOUSEMOVE, 150, 100);    // the same pixel again adds nothing
	mouse(cv::EVENT_MOUSEMOVE, 180, 140);    // C: world (8, 6)
	mouse(cv::EVENT_LBUTTONUP, 180, 140);
	mouse(cv::EVENT_MOUSEMOVE, 300, 300);    // after the release
	program->run(1);

	const std::vector<b2Body*> made = walls();
	ASSERT_EQ(made.size(), 2u);
	const b2Vec2 a(0.0f, 10.0f), b(5.0f, 10.0f), c(8.0f, 6.0f);
	const Slab first = slabOf(made[0]);
	const Slab second = slabOf(made[1]);
	EXPECT_TRUE(joins(first, a, b));
	EXPECT_TRUE(joins(second, b, c));
	EXPECT_NEAR(b2Distance(second.end1, second.end2), 5.0f, 1e-5f);
	EXPECT_FLOAT_EQ(first.thickness, 0.2f);
	EXPECT_FLOAT_EQ(second.thickness, 0.2f);
	EXPECT_EQ(made[0]->GetType(), b2_staticBody);
	EXPECT_FLOAT_EQ(made[0]->GetFixtureList()->GetFriction(), 0.2f);

	// Each wall runs from the new point to the previous one.
	const std::vector<const TraceEvent*> traced = eventsOf("mouseWall");
	ASSERT_EQ(traced.size(), 2u);
	EXPECT_DOUBLE_EQ(traced[1]->number("x1"), 8.0);
	EXPECT_DOUBLE_EQ(traced[1]->number("y1"), 6.0);
	EXPECT_DOUBLE_EQ(traced[1]->number("x2"), 5.0);
	EXPECT_DOUBLE_EQ(traced[1]->number("y2"), 10.0);
	EXPECT_EQ(program->app->pen.x, -1);
}

TEST_F(MouseAndKeysTest, ClicksStrayMovesAndOtherButtonsMakeNothing)
{
	mouse(cv::EVENT_MOUSEMOVE, 10, 10);  // no stroke yet
	mouse(cv::EVENT_MOUSEMOVE, 20, 20);
	mouse(cv::EVENT_LBUTTONDOWN, 50, 50);  // a click without a move
	mouse(cv::EVENT_LBUTTONUP, 50, 50);
	for (const int button : {cv::EVENT_RBUTTONDOWN, cv::EVENT_MBUTTONDOWN})
	{
		mouse(button, 60, 60);
		mouse(cv::EVENT_MOUSEMOVE, 90, 90);
		mouse(button + 1, 90, 90);  // the matching release
	}
	mouse(cv::EVENT_LBUTTONDBLCLK, 70, 70);
	program->run(2);
	EXPECT_TRUE(walls().empty());
	EXPECT_TRUE(eventsOf("mouseWall").empty());

	// Each program has its own pen: a stroke begun in another one does not continue here.
	auto other = TestProgram::still();
	other->display->pushMouse("game", cv::EVENT_LBUTTONDOWN, 200, 200);
	other->run(1);
	mouse(cv::EVENT_MOUSEMOVE, 220, 220);
	program->run(1);
	EXPECT_TRUE(walls().empty());
}

TEST_F(MouseAndKeysTest, PressWithAStrokeInProgressContinuesIt)
{
	mouse(cv::EVENT_LBUTTONDOWN, 100, 100);
	program->run(1);  // the release is lost
	mouse(cv::EVENT_LBUTTONDOWN, 100, 130);
	program->run(1);
	const std::vector<b2Body*> made = walls();
	ASSERT_EQ(made.size(), 1u);
	EXPECT_TRUE(joins(slabOf(made[0]), b2Vec2(0.0f, 10.0f), b2Vec2(0.0f, 7.0f)));
}

TEST_F(MouseAndKeysTest, MouseWallsAreWallsAndLeaveAtTheNextRescan)
{
	mouse(cv::EVENT_LBUTTONDOWN, 100, 100);
	mouse(cv::EVENT_MOUSEMOVE, 101, 101);  // one pixel is enough
	program->run(1);
	ASSERT_EQ(walls().size(), 1u);
	program->app->scene.markKind(Wall);
	program->app->scene.flush();
	EXPECT_TRUE(walls().empty());
}

/// Where the boxes of two presses of z land.
std::vector<b2Vec2> boxesAfterTwoPresses()
{
	auto program = TestProgram::still();
	program->display->pushKey('z');
	program->display->pushKey('z');
	program->run(2);
	std::vector<b2Vec2> places;
	for (const PassRecord& record : program->passes)
	{
		for (const TraceEvent* event : record.eventsOf("box"))
		{
			places.emplace_back(float(event->number("x")), float(event->number("y")));
		}
	}
	EXPECT_EQ(program->app->scene.countKind(Solid), 2);
	return places;
}

TEST(SpawnedBoxes, KeyZTwiceDropsTwoBoxesAtTheSamePlacesEveryRun)
{
	const std::vector<b2Vec2> first = boxesAfterTwoPresses();
	const std::vector<b2Vec2> second = boxesAfterTwoPresses();
	ASSERT_EQ(first.size(), 2u);
	EXPECT_EQ(first, second);
	EXPECT_NE(first[0], first[1]);
	for (const b2Vec2& place : first)
	{
		const cv::Point2d pixel = boardMapping.toPixel(place.x, place.y);
		EXPECT_GE(pixel.x, 400.0);
		EXPECT_LT(pixel.x, 500.0);
		EXPECT_LE(pixel.y, 160.0);
		EXPECT_GT(pixel.y, -200.0);
	}
}

TEST(SpawnedBoxes, BoxIsATwoMetreSolidThatFallsIntoView)
{
	auto program = TestProgram::still();
	program->display->pushKey('z');
	program->run(1);
	const std::vector<BodyInfo*> infos = program->app->scene.collectBodyInfo();
	ASSERT_EQ(infos.size(), 1u);
	const b2Body* box = infos[0]->body;
	EXPECT_EQ(infos[0]->kind, Solid);
	EXPECT_EQ(box->GetType(), b2_dynamicBody);
	const b2Fixture* fixture = box->GetFixtureList();
	EXPECT_FLOAT_EQ(fixture->GetDensity(), 1.0f);
	EXPECT_FLOAT_EQ(fixture->GetFriction(), 0.3f);
	const auto* shape = static_cast<const b2PolygonShape*>(fixture->GetShape());
	EXPECT_FLOAT_EQ(shape->m_vertices[2].x, 1.0f);
	EXPECT_FLOAT_EQ(shape->m_vertices[2].y, 1.0f);

	// Made after the flush, it first moves in the next pass.
	const b2Vec2 start = box->GetPosition();
	program->run(1);
	EXPECT_LT(box->GetPosition().y, start.y);
	bool seen = false;
	for (int i = 0; i < 200 && !seen; ++i)
	{
		program->run(1);
		const double row = boardMapping.toPixel(0.0, box->GetPosition().y).y;
		seen = row >= 0.0 && row < 480.0;
	}
	EXPECT_TRUE(seen);
}

}  // namespace
