#include "AnalysisTestSupport.h"
#include "app/Trace.h"

#include <box2d/b2_body.h>
#include <box2d/b2_circle_shape.h>
#include <box2d/b2_fixture.h>
#include <gtest/gtest.h>

namespace
{

using Contour = std::vector<cv::Point>;

class CircleDetectionTest : public ::testing::Test
{
protected:
	CircleDetectionTest()
	{
		rig.analysis.setTrace(&trace);
		trace.addSink([this](const PassRecord& record) { passes.push_back(record); });
	}

	/// The template ring's contour moved so that its centroid is near (x, y).
	Contour ringAt(const Contour& ring, int x, int y)
	{
		const ShapeDescriptor d = computeDescriptor(ring);
		return shifted(ring, x - cvRound(d.at<double>(0)), y - cvRound(d.at<double>(1)));
	}

	std::vector<TraceEvent> events(const std::string& type)
	{
		trace.endPass(1, 15, rig.scene);
		std::vector<TraceEvent> found;
		for (const TraceEvent* event : passes.back().eventsOf(type))
		{
			found.push_back(*event);
		}
		return found;
	}

	AnalysisRig rig;
	Trace trace;
	std::vector<PassRecord> passes;
	const Contour blackRing = ringContour(blackPen);
	const Contour yellowRing = ringContour(yellowPen);
};

TEST_F(CircleDetectionTest, NoContoursNoBalls)
{
	rig.analysis.detectBalls();
	rig.analysis.detectSensorCircles();
	EXPECT_TRUE(rig.scene.getBodies().empty());
	EXPECT_TRUE(rig.analysis.ballRecords.empty());
}

TEST_F(CircleDetectionTest, RingBecomesABallOfRadiusOneAtItsCentroid)
{
	const Contour ring = ringAt(blackRing, 150, 150);
	const Contour stroke = {{300, 100}, {400, 100}};
	rig.scanner.blackContours = {stroke, ring};
	rig.analysis.detectBalls();

	ASSERT_EQ(rig.analysis.ballRecords.size(), 1u);
	const ShapeRecord& record = rig.analysis.ballRecords[0];
	EXPECT_EQ(record.contour, ring);
	EXPECT_EQ(rig.scanner.blackContours, std::vector<Contour>{stroke});  // the ring left the list
	ASSERT_NE(record.body, nullptr);
	const b2Vec2 expected = boardMapping.toWorld(record.descriptor.at<double>(0), record.descriptor.at<double>(1));
	EXPECT_NEAR(expected.x, 5.0f, 0.1f);  // pixel (150, 150) is world (5, 5)
	EXPECT_NEAR(expected.y, 5.0f, 0.1f);
	EXPECT_FLOAT_EQ(record.body->GetPosition().x, expected.x);
	EXPECT_FLOAT_EQ(record.body->GetPosition().y, expected.y);
	EXPECT_EQ(bodyInfoOf(record.body)->kind, Solid);
	EXPECT_FLOAT_EQ(record.body->GetFixtureList()->GetShape()->m_radius, 1.0f);

	const std::vector<TraceEvent> balls = events("ball");
	ASSERT_EQ(balls.size(), 1u);
	EXPECT_FLOAT_EQ(float(balls[0].number("x")), expected.x);
	EXPECT_FLOAT_EQ(float(balls[0].number("y")), expected.y);
}

TEST_F(CircleDetectionTest, CirclesTwentyPixelsApartAreTwoBallsTenApartOne)
{
	const Contour first = ringAt(blackRing, 200, 200);
	rig.scanner.blackContours = {first, shifted(first, 20, 0)};
	rig.analysis.detectBalls();
	EXPECT_EQ(rig.analysis.ballRecords.size(), 2u);
	EXPECT_TRUE(rig.scanner.blackContours.empty());

	rig.scene.resetMap();
	rig.scanner.blackContours = {first, shifted(first, 10, 0)};
	rig.analysis.detectBalls();
	ASSERT_EQ(rig.analysis.ballRecords.size(), 1u);
	EXPECT_EQ(rig.analysis.ballRecords[0].contour, first);  // the first in contour order
	EXPECT_EQ(rig.scanner.blackContours, std::vector<Contour>{shifted(first, 10, 0)});
}

TEST_F(CircleDetectionTest, DrawnRingGivesOneBallAndAKeptRingNoSecond)
{
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(300, 250), blackPen);
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractBlackContours();
	ASSERT_EQ(rig.scanner.blackContours.size(), 2u);
	rig.analysis.detectBalls();
	EXPECT_EQ(rig.analysis.ballRecords.size(), 1u);
	EXPECT_EQ(rig.scanner.blackContours.size(), 1u);  // the other border stays, as a wall to be

	// Seen again at the next rescan: the kept ball is found within 15 pixels.
	rig.scanner.extractBlackContours();
	rig.analysis.detectBalls();
	EXPECT_EQ(rig.analysis.ballRecords.size(), 1u);
	EXPECT_EQ(rig.scanner.blackContours.size(), 2u);
	EXPECT_EQ(rig.scene.countKind(Solid), 1);
}

TEST_F(CircleDetectionTest, StrokesAndRingsOfOtherSizesAreNoCircles)
{
	rig.scanner.blackContours = {{{100, 100}, {200, 100}}, {{100, 300}, {150, 350}, {200, 300}},
		ringContour(blackPen, 2 * ringRadius), ringContour(blackPen, ringRadius / 2), {{5, 5}}, {}};
	const auto before = rig.scanner.blackContours;
	rig.analysis.detectBalls();
	EXPECT_TRUE(rig.analysis.ballRecords.empty());
	EXPECT_EQ(rig.scanner.blackContours, before);
}

TEST_F(CircleDetectionTest, YellowRingsBecomeSensorCirclesWithTheirOwnTemplate)
{
	cv::Mat board = blankBoard();
	drawRing(board, cv::Point(400, 150), yellowPen);
	drawRing(board, cv::Point(150, 300), blackPen);  // black ink: not a sensor
	rig.setBoard(board);
	rig.scanner.segmentColours();
	rig.scanner.extractColourContours();
	rig.analysis.detectSensorCircles();
	ASSERT_EQ(rig.analysis.sensorCircleRecords.size(), 1u);
	EXPECT_EQ(rig.scanner.yellowContours.size(), 1u);
	const b2Body* body = rig.analysis.sensorCircleRecords[0].body;
	EXPECT_EQ(bodyInfoOf(const_cast<b2Body*>(body))->kind, SensorCircle);
	EXPECT_NEAR(body->GetPosition().x, 30.0f, 0.2f);  // pixel (400, 150)
	EXPECT_NEAR(body->GetPosition().y, 5.0f, 0.2f);
	EXPECT_TRUE(rig.analysis.ballRecords.empty());
	ASSERT_EQ(events("sensor").size(), 1u);
}

TEST_F(CircleDetectionTest, AnEmptyTemplateMatchesNoDrawnCircle)
{
	::testing::internal::CaptureStderr();
	rig.analysis.loadTemplates(::testing::TempDir() + "drawtable_none.txt", testTemplates().yellow);
	::testing::internal::GetCapturedStderr();
	rig.scanner.blackContours = {ringAt(blackRing, 200, 200)};
	rig.analysis.detectBalls();
	EXPECT_TRUE(rig.analysis.ballRecords.empty());
}

}  // namespace
