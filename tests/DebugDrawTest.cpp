#include "physics/BodyFactories.h"
#include "physics/PhysicsScene.h"
#include "render/DebugDrawCV.h"
#include "render/GameCanvas.h"

#include <box2d/b2_body.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>

namespace
{

using Pixel = cv::Vec3b;

/// A drawer set up as start-up does it, on a fresh black canvas.
class DebugDrawTest : public ::testing::Test
{
protected:
	DebugDrawTest()
	{
		draw.SetFlags(b2Draw::e_shapeBit | b2Draw::e_jointBit | b2Draw::e_centerOfMassBit);
		draw.width = 640;
		draw.height = 480;
		draw.mapping = boardMapping;
		resetGameCanvas(draw);
	}

	Pixel at(int x, int y) const { return draw.canvas.at<Pixel>(y, x); }
	int litPixels() const
	{
		cv::Mat grey;
		cv::extractChannel(draw.canvas, grey, 2);
		return cv::countNonZero(grey);
	}

	DebugDrawCV draw;
};

TEST_F(DebugDrawTest, WorldPointsMapToTruncatedPixels)
{
	EXPECT_EQ(draw.toPixel(b2Vec2(-10.0f, 20.0f)), cv::Point(0, 0));
	EXPECT_EQ(draw.toPixel(b2Vec2(0.0f, 0.0f)), cv::Point(100, 200));
	EXPECT_EQ(draw.toPixel(b2Vec2(53.95f, -27.95f)), cv::Point(639, 479));
	EXPECT_EQ(draw.toPixel(b2Vec2(-10.05f, 0.0f)).x, 0);
	EXPECT_EQ(draw.toPixel(b2Vec2(-10.25f, 0.0f)).x, -2);
}

TEST_F(DebugDrawTest, FillsAtHalfAndOutlinesAtFullIntensity)
{
	const b2Vec2 square[] = {{0.0f, 0.0f}, {2.0f, 0.0f}, {2.0f, 2.0f}, {0.0f, 2.0f}};
	draw.DrawSolidPolygon(square, 4, b2Color(0.9f, 0.7f, 0.7f));
	EXPECT_EQ(at(110, 190), Pixel(90, 90, 115));

	const b2Vec2 other[] = {{20.0f, 0.0f}, {22.0f, 0.0f}, {22.0f, 2.0f}, {20.0f, 2.0f}};
	draw.DrawSolidPolygon(other, 4, b2Color(0.5f, 0.9f, 0.5f));
	EXPECT_EQ(at(310, 190), Pixel(64, 115, 64));

	draw.DrawSegment(b2Vec2(0.0f, -5.0f), b2Vec2(10.0f, -5.0f), b2Color(0.5f, 0.9f, 0.5f));
	EXPECT_EQ(at(150, 250), Pixel(128, 229, 128));
	EXPECT_EQ(at(150, 249), Pixel(0, 0, 0));  // one pixel thick
	EXPECT_EQ(at(150, 251), Pixel(0, 0, 0));
}

TEST_F(DebugDrawTest, SolidCircleIsAFilledDiscWithoutRadiusLine)
{
	draw.DrawSolidCircle(b2Vec2(5.0f, 5.0f), 1.0f, b2Vec2(1.0f, 0.0f), b2Color(0.9f, 0.7f, 0.7f));
	const Pixel fill(90, 90, 115);
	EXPECT_EQ(at(150, 150), fill);
	// Along the axis, where a radius line would be, the fill is unbroken.
	for (int x = 150; x <= 159; ++x)
	{
		EXPECT_EQ(at(x, 150), fill) << x;
	}
	EXPECT_EQ(at(160, 150), fill);
	EXPECT_EQ(at(161, 150), Pixel(0, 0, 0));
	EXPECT_EQ(at(150, 139), Pixel(0, 0, 0));
}

TEST_F(DebugDrawTest, TinyCircleDegeneratesToADot)
{
	draw.DrawSolidCircle(b2Vec2(5.0f, 5.0f), 0.05f, b2Vec2(1.0f, 0.0f), b2Color(0.9f, 0.7f, 0.7f));
	EXPECT_GE(litPixels(), 1);
	EXPECT_LE(litPixels(), 4);
	EXPECT_EQ(at(150, 150), Pixel(90, 90, 115));
}

TEST_F(DebugDrawTest, OutlineOperationsDrawOnePixelLines)
{
	const b2Vec2 triangle[] = {{0.0f, 0.0f}, {10.0f, 0.0f}, {0.0f, -10.0f}};
	draw.DrawPolygon(triangle, 3, b2Color(1.0f, 1.0f, 1.0f));
	EXPECT_EQ(at(150, 200), Pixel(255, 255, 255));  // first edge
	EXPECT_EQ(at(100, 250), Pixel(255, 255, 255));  // closing edge, third vertex back to the first
	EXPECT_EQ(at(120, 220), Pixel(0, 0, 0));        // inside stays empty

	draw.DrawCircle(b2Vec2(30.0f, 0.0f), 1.0f, b2Color(0.5f, 0.9f, 0.5f));
	EXPECT_EQ(at(410, 200), Pixel(128, 229, 128));
	EXPECT_EQ(at(400, 200), Pixel(0, 0, 0));
}

TEST_F(DebugDrawTest, TransformsAndPointsDrawNothing)
{
	draw.DrawTransform(b2Transform(b2Vec2(5.0f, 5.0f), b2Rot(0.3f)));
	draw.DrawPoint(b2Vec2(5.0f, 5.0f), 4.0f, b2Color(1.0f, 1.0f, 1.0f));
	draw.DrawPolygon(nullptr, 0, b2Color(1.0f, 1.0f, 1.0f));
	draw.DrawSolidPolygon(nullptr, 0, b2Color(1.0f, 1.0f, 1.0f));
	EXPECT_EQ(litPixels(), 0);
}

TEST_F(DebugDrawTest, WorldBodiesGetTheirStateColours)
{
	PhysicsScene scene;
	scene.createWorld(b2Vec2(0.0f, -10.0f));
	scene.world()->SetDebugDraw(&draw);
	createWallChain({b2Vec2(0.0f, -10.0f), b2Vec2(40.0f, -10.0f)}, scene);
	b2Body* ball = createBall(scene, 20.0f, -8.0f, 1.0f);

	scene.world()->DebugDraw();
	EXPECT_EQ(at(200, 300), Pixel(128, 229, 128));  // static edge, full intensity
	EXPECT_EQ(at(100, 300), Pixel(128, 229, 128));  // its ends carry no point marks
	EXPECT_EQ(at(100, 299), Pixel(0, 0, 0));
	EXPECT_EQ(at(300, 280), Pixel(90, 90, 115));    // awake ball

	for (int i = 0; i < 600 && ball->IsAwake(); ++i)
	{
		scene.world()->Step(1.0f / 60.0f, 6, 2);
	}
	ASSERT_FALSE(ball->IsAwake());
	resetGameCanvas(draw);
	scene.world()->DebugDraw();
	const cv::Point centre = draw.toPixel(ball->GetPosition());
	EXPECT_EQ(at(centre.x, centre.y), Pixel(77, 77, 77));  // asleep
}

TEST_F(DebugDrawTest, ResetGivesAFreshBlackCanvasAndOldCopiesKeepTheirPixels)
{
	EXPECT_EQ(draw.canvas.size(), cv::Size(640, 480));
	EXPECT_EQ(draw.canvas.type(), CV_8UC3);
	EXPECT_EQ(litPixels(), 0);

	draw.DrawSegment(b2Vec2(0.0f, 0.0f), b2Vec2(10.0f, 0.0f), b2Color(1.0f, 1.0f, 1.0f));
	cv::Mat first = gameCanvas(draw);
	cv::Mat second = gameCanvas(draw);
	EXPECT_EQ(first.data, second.data);

	resetGameCanvas(draw);
	EXPECT_NE(draw.canvas.data, first.data);
	EXPECT_EQ(litPixels(), 0);
	EXPECT_EQ(first.at<Pixel>(200, 105), Pixel(255, 255, 255));
}

}  // namespace
