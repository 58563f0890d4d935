#include "AnalysisTestSupport.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <gtest/gtest.h>

namespace
{

using Contour = std::vector<cv::Point>;

/// Black circles matched with the test template, as the drawing analysis keeps them.
DrawnCircles blackCircles()
{
	DrawnCircles circles(CircleInk::Black);
	circles.setTemplate(computeDescriptor(loadTemplatePoints(testTemplates().first)));
	return circles;
}

/// The black template ring moved so that its centroid is near (x, y).
Contour ringAt(int x, int y)
{
	const Contour ring = loadTemplatePoints(testTemplates().first);
	const ShapeDescriptor d = computeDescriptor(ring);
	return shifted(ring, x - cvRound(d.at<double>(0)), y - cvRound(d.at<double>(1)));
}

TEST(CircleDetection, RingBecomesABallOfRadiusOneAtItsCentroidAndLeavesTheList)
{
	AnalysisRig rig;
	DrawnCircles balls = blackCircles();
	balls.find(rig.ink.blackContours, rig.scene, nullptr);  // no contours: nothing happens
	EXPECT_TRUE(rig.scene.getBodies().empty());

	const Contour ring = ringAt(150, 150);
	const Contour stroke = {{300, 100}, {400, 100}};
	rig.ink.blackContours = {stroke, ring, {{5, 5}}, ringContour(blackPen, 2 * ringRadius)};
	const std::vector<bool> withoutWall = balls.find(rig.ink.blackContours, rig.scene, nullptr);
	ASSERT_EQ(balls.records().size(), 1u);
	const ShapeRecord& ball = balls.records()[0];
	EXPECT_EQ(ball.contour, ring);
	EXPECT_EQ(rig.ink.blackContours.size(), 3u);  // strokes, points and other sizes stay
	EXPECT_EQ(withoutWall, std::vector<bool>(3, false));
	EXPECT_NEAR(ball.body->GetPosition().x, 5.0f, 0.1f);  // pixel (150, 150) is world (5, 5)
	EXPECT_NEAR(ball.body->GetPosition().y, 5.0f, 0.1f);
	EXPECT_EQ(bodyInfoOf(ball.body)->kind, Solid);
	EXPECT_FLOAT_EQ(ball.body->GetFixtureList()->GetShape()->m_radius, 1.0f);
}

TEST(CircleDetection, CirclesTwentyPixelsApartAreTwoBallsTenApartOne)
{
	AnalysisRig rig;
	DrawnCircles balls = blackCircles();
	const Contour first = ringAt(200, 200);
	rig.ink.blackContours = {first, shifted(first, 20, 0)};
	balls.find(rig.ink.blackContours, rig.scene, nullptr);
	EXPECT_EQ(balls.records().size(), 2u);
	EXPECT_TRUE(rig.ink.blackContours.empty());

	balls.clear();
	rig.ink.blackContours = {first, shifted(first, 10, 0)};
	balls.find(rig.ink.blackContours, rig.scene, nullptr);
	ASSERT_EQ(balls.records().size(), 1u);
	EXPECT_EQ(balls.records()[0].contour, first);  // the first in contour order
	EXPECT_EQ(rig.ink.blackContours, std::vector<Contour>{shifted(first, 10, 0)});
}

TEST(CircleDetection, DrawnRingsGiveOneBodyEachOnceAndOnlyInTheirInk)
{
	AnalysisRig rig;
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(300, 250), blackPen);
	drawRing(board, cv::Point(400, 150), yellowPen);
	rig.setBoard(board);
	DrawingFound found[2];
	for (DrawingFound& rescan : found)
	{
		rescan = rig.analysis.analyse(rig.board, rig.ink, rig.display);
	}
	EXPECT_TRUE(found[0].newMap);
	EXPECT_EQ(found[0].balls, 1);
	EXPECT_EQ(found[0].sensors, 1);
	// Both borders of a ring match; the second lies within 15 pixels of the
	// first and stays, and at the next rescan both are kept circles: the same
	// map, nothing made again, and no wall round the ball still inside.
	EXPECT_FALSE(found[1].newMap);
	EXPECT_EQ(found[1].balls + found[1].sensors + found[1].walls, 0);
	EXPECT_EQ(rig.ink.blackContours.size(), 2u);
	EXPECT_EQ(rig.scene.countKind(Solid), 1);
	ASSERT_EQ(rig.analysis.sensorCircleRecords().size(), 1u);
	const b2Body* sensor = rig.analysis.sensorCircleRecords()[0].body;
	EXPECT_NEAR(sensor->GetPosition().x, 30.0f, 0.2f);  // pixel (400, 150)
	EXPECT_NEAR(sensor->GetPosition().y, 5.0f, 0.2f);
	EXPECT_EQ(rig.scene.countKind(SensorCircle), 1);
}

TEST(CircleDetection, AnEmptyTemplateMatchesNoDrawnCircle)
{
	AnalysisRig rig;
	::testing::internal::CaptureStderr();
	rig.analysis.loadTemplates(::testing::TempDir() + "drawtable_none.txt", testTemplates().second);
	EXPECT_NE(::testing::internal::GetCapturedStderr().find("drawtable_none.txt"), std::string::npos);
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(200, 200), blackPen);
	rig.setBoard(board);
	EXPECT_EQ(rig.analysis.analyse(rig.board, rig.ink, rig.display).balls, 0);
	EXPECT_TRUE(rig.analysis.ballRecords().empty());
	// The ring is a wall then, both its borders.
	EXPECT_EQ(rig.scene.countKind(Wall), 2);
}

}  // namespace
