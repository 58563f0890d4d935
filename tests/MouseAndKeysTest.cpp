#include "TestSupport.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>
#include <opencv2/highgui.hpp>

namespace
{

/// True when a mouse wall is a 0.2 thick slab whose ends are exactly a and b.
bool isSlabBetween(const b2Body* wall, b2Vec2 a, b2Vec2 b)
{
	const auto* box = static_cast<const b2PolygonShape*>(wall->GetFixtureList()->GetShape());
	const b2Vec2 corner = box->m_vertices[2];  // (+half length, +half thickness)
	const b2Vec2 end1 = b2Mul(wall->GetTransform(), b2Vec2(corner.x, 0.0f));
	const b2Vec2 end2 = b2Mul(wall->GetTransform(), b2Vec2(-corner.x, 0.0f));
	const auto same = [](b2Vec2 p, b2Vec2 q) { return b2Distance(p, q) < 1e-5f; };
	return std::abs(corner.y - 0.1f) < 1e-6f && wall->GetType() == b2_staticBody &&
		((same(end1, a) && same(end2, b)) || (same(end1, b) && same(end2, a)));
}

class MouseAndKeysTest : public ::testing::Test
{
protected:
	void mouse(int event, int x, int y) { program->display->pushMouse("game", event, x, y); }

	std::vector<b2Body*> walls() const
	{
		std::vector<b2Body*> found;
		for (const BodyInfo* info : program->app->scene().collectBodyInfo())
		{
			if (info->kind == Wall)
			{
				found.push_back(info->body);
			}
		}
		return found;
	}

	std::unique_ptr<TestProgram> program = TestProgram::still();
};

TEST_F(MouseAndKeysTest, DragThroughThreePointsLaysTwoExactWalls)
{
	mouse(cv::EVENT_LBUTTONDOWN, 100, 100);  // A: world (0, 10)
	mouse(cv::EVENT_MOUSEMOVE, 150, 100);    // B: world (5, 10)
	mouse(cv::EVENT_MOUSEMOVE, 150, 100);    // the same pixel again adds nothing
	mouse(cv::EVENT_MOUSEMOVE, 180, 140);    // C: world (8, 6)
	mouse(cv::EVENT_LBUTTONUP, 180, 140);
	mouse(cv::EVENT_MOUSEMOVE, 300, 300);  // after the release
	program->run(1);

	const std::vector<b2Body*> made = walls();
	ASSERT_EQ(made.size(), 2u);
	EXPECT_TRUE(isSlabBetween(made[0], b2Vec2(0.0f, 10.0f), b2Vec2(5.0f, 10.0f)));
	EXPECT_TRUE(isSlabBetween(made[1], b2Vec2(5.0f, 10.0f), b2Vec2(8.0f, 6.0f)));
	// Traced from the new point back to the previous one.
	const std::vector<const Event*> traced = program->passes.back().eventsOf("mouseWall");
	ASSERT_EQ(traced.size(), 2u);
	EXPECT_EQ(traced[1]->number("x1"), 8.0);
	EXPECT_EQ(traced[1]->number("y2"), 10.0);

	// A press while a stroke is in progress (its release was lost) goes on from it.
	mouse(cv::EVENT_LBUTTONDOWN, 100, 100);
	mouse(cv::EVENT_LBUTTONDOWN, 100, 130);
	program->run(1);
	ASSERT_EQ(walls().size(), 3u);
	EXPECT_TRUE(isSlabBetween(walls()[2], b2Vec2(0.0f, 10.0f), b2Vec2(0.0f, 7.0f)));
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
		mouse(button + 1, 90, 90);  // its release
	}
	program->run(1);
	EXPECT_TRUE(walls().empty());

	// Each program has its own pen: a stroke begun in another does not go on here.
	auto other = TestProgram::still();
	other->display->pushMouse("game", cv::EVENT_LBUTTONDOWN, 200, 200);
	other->run(1);
	mouse(cv::EVENT_MOUSEMOVE, 220, 220);
	program->run(1);
	EXPECT_TRUE(walls().empty());
}

/// Where two presses of z drop their boxes.
std::vector<b2Vec2> boxesOfTwoPresses()
{
	auto program = TestProgram::still();
	program->display->pushKey('z');
	program->display->pushKey('z' | 0x100000);  // only the low eight bits count
	program->run(2);
	std::vector<b2Vec2> places;
	for (const BodyInfo* info : program->app->scene().collectBodyInfo())
	{
		EXPECT_EQ(info->kind, Solid);
		const auto* box = static_cast<const b2PolygonShape*>(info->body->GetFixtureList()->GetShape());
		EXPECT_EQ(box->m_vertices[2], b2Vec2(1.0f, 1.0f));  // 2 x 2
		places.push_back(info->body->GetPosition());
	}
	EXPECT_EQ(program->passes.back().eventsOf("box").size(), 1u);
	return places;
}

TEST(SpawnedBoxes, KeyZTwiceDropsTwoBoxesAtTheSamePlacesEveryRunAboveTheRightHalf)
{
	const std::vector<b2Vec2> first = boxesOfTwoPresses();
	ASSERT_EQ(first.size(), 2u);
	EXPECT_EQ(first, boxesOfTwoPresses());
	EXPECT_NE(first[0], first[1]);
	// The first box has fallen for one pass: within a few pixels of where it was made.
	for (const b2Vec2& place : first)
	{
		const cv::Point2d pixel = boardMapping.toPixel(place.x, place.y);
		EXPECT_GE(pixel.x, 400.0);
		EXPECT_LT(pixel.x, 500.0);
		EXPECT_LT(pixel.y, 161.0);
		EXPECT_GT(pixel.y, -200.0);
	}
}

}  // namespace
