#include "AnalysisTestSupport.h"
#include "TestSupport.h"
#include "analysis/HandDetection.h"

#include <box2d/b2_body.h>
#include <gtest/gtest.h>

namespace
{

using Contour = std::vector<cv::Point>;

/// A BGR colour well inside the skin range (YCrCb about 160, 150, 110).
const cv::Scalar skinTone(128, 150, 191);

cv::Mat greyWithSkinPixels(int count)
{
	cv::Mat image(480, 640, CV_8UC3, cv::Scalar(128, 128, 128));
	cv::Mat flat = image.reshape(3, 1);
	flat.colRange(0, count).setTo(skinTone);
	return image;
}

TEST(HandInView, MoreThanAMeanOfTenIsAHand)
{
	EXPECT_EQ(cv::countNonZero(skinMask(greyWithSkinPixels(100))), 100);
	EXPECT_TRUE(handInView(greyWithSkinPixels(12288)));   // 4 %
	EXPECT_FALSE(handInView(greyWithSkinPixels(11980)));  // 3.9 %, mean 9.94
	EXPECT_FALSE(handInView(greyWithSkinPixels(12047)));  // mean 9.9998
	EXPECT_TRUE(handInView(greyWithSkinPixels(12048)));   // mean 10.0008
	EXPECT_FALSE(handInView(cv::Mat()));
	EXPECT_TRUE(skinMask(cv::Mat()).empty());
}

/// isSameMap on contours given directly, with walls recorded from others.
class SameMapTest : public ::testing::Test
{
protected:
	void recordWalls(const std::vector<Contour>& walls)
	{
		rig.analysis.wallRecords.clear();
		for (const Contour& wall : walls)
		{
			rig.analysis.wallRecords.push_back({wall, computeDescriptor(wall), nullptr});
		}
	}

	bool sameAs(const std::vector<Contour>& now)
	{
		rig.scanner.blackContours = now;
		return rig.analysis.isSameMap();
	}

	/// A stroke of many points, like a curve after the contour search.
	static Contour curve(int x, int y)
	{
		Contour points;
		for (int i = 0; i < 30; ++i)
		{
			points.emplace_back(x + 3 * i, y + (i * i) / 20);
		}
		return points;
	}

	AnalysisRig rig;
	const std::vector<Contour> drawing = {curve(100, 100), curve(400, 120), curve(150, 300), curve(420, 350)};
};

TEST_F(SameMapTest, NothingRecordedOrNothingDrawnIsANewMap)
{
	EXPECT_FALSE(sameAs(drawing));  // the first rescan
	recordWalls(drawing);
	EXPECT_FALSE(sameAs({}));
	recordWalls({});
	EXPECT_FALSE(sameAs({}));
}

TEST_F(SameMapTest, SameOrMovedDrawingIsTheSameMap)
{
	recordWalls(drawing);
	EXPECT_TRUE(sameAs(drawing));
	std::vector<Contour> moved;
	for (const Contour& c : drawing)
	{
		moved.push_back(shifted(c, 40, -40));
	}
	EXPECT_TRUE(sameAs(moved));
}

TEST_F(SameMapTest, OneFarStrokeMoreIsStillTheSameMapButADifferentDrawingIsNot)
{
	recordWalls(drawing);
	std::vector<Contour> more = drawing;
	more.push_back({{600, 50}, {620, 50}});
	EXPECT_TRUE(sameAs(more));  // costs 25 + 4 x almost 0, average about 5

	const std::vector<Contour> other = {curve(100, 100), curve(300, 400), {{600, 50}, {620, 60}}};
	EXPECT_FALSE(sameAs(other));
}

TEST_F(SameMapTest, EachOldShapePairsWithOneNewShapeOnly)
{
	// The same stroke twice against one recorded stroke: the first copy takes
	// it at cost 0, the second finds nothing left and costs 25; 12.5 on average.
	const Contour stroke = curve(200, 200);
	recordWalls({stroke});
	EXPECT_FALSE(sameAs({stroke, stroke}));
	recordWalls({stroke, stroke});
	EXPECT_TRUE(sameAs({stroke, stroke}));
}

/// The rescan after a successful scan, on boards drawn by the test.
class RescanTest : public ::testing::Test
{
protected:
	RescanTest() : program(TestProgram::still())
	{
		Application& app = *program->app;
		app.analysis.loadTemplates(testTemplates().black, testTemplates().yellow);
		app.scanner.boardScanned = true;
		app.scanner.boardInnerCorners = {{20, 20}, {620, 460}};
	}

	/// A board with three strokes around a black ring, a yellow ring, the
	/// printed board markers in its corners and a portal card; the drawing
	/// (not the markers or the card) moved by (dx, dy).
	///
	/// The ring sits near the mean point of the drawing. The same-map test
	/// compares all contours now with the walls of the last rescan, and the
	/// ring that became a ball left one border out of those walls; far from
	/// the mean, that border would also shift the mean point enough to make
	/// the drawing count as new (with the ring at (200, 200) the average cost
	/// is about 11).
	cv::Mat drawing(int dx = 0, int dy = 0)
	{
		cv::Mat board = blankBoard();
		const cv::Point d(dx, dy);
		drawStroke(board, cv::Point(280, 100) + d, cv::Point(420, 130) + d);
		drawStroke(board, cv::Point(100, 350) + d, cv::Point(300, 380) + d);
		drawStroke(board, cv::Point(380, 250) + d, cv::Point(480, 390) + d);
		drawRing(board, cv::Point(310, 250) + d, blackPen);
		drawRing(board, cv::Point(150, 150) + d, yellowPen);
		for (const cv::Point corner : {cv::Point(0, 0), cv::Point(600, 0), cv::Point(0, 440), cv::Point(600, 440)})
		{
			cv::rectangle(board, cv::Rect(corner, cv::Size(40, 40)), blackPen, cv::FILLED);
		}
		cv::rectangle(board, cv::Rect(450, 60, 60, 60), blackPen, 4);
		cv::rectangle(board, cv::Rect(465, 75, 30, 30), blackPen, cv::FILLED);
		return board;
	}

	/// Analyse a board as the rescan of a pass would, then end that pass.
	const PassRecord& rescan(const cv::Mat& board, bool portal = true)
	{
		Application& app = *program->app;
		app.scanner.warpedColor = board;
		app.scanner.warpedSnapshot = board.clone();
		app.scanner.portalVisible = portal;
		app.scanner.portalCorners = {{450, 60}, {450, 120}, {510, 60}, {510, 120}};
		app.stillCount = 15;
		::testing::internal::CaptureStdout();
		app.analyseScannedBoard();
		printed = ::testing::internal::GetCapturedStdout();
		app.trace.endPass(++passes, app.stillCount, app.scene);
		app.scene.flush();  // as the next pass would
		return program->passes.back();
	}

	static int wallsBuilt(const PassRecord& record)
	{
		const auto walls = record.eventsOf("walls");
		return walls.size() == 1 ? int(walls[0]->number("count")) : -1;
	}

	std::unique_ptr<TestProgram> program;
	std::string printed;
	int passes = 0;
};

TEST_F(RescanTest, FirstRescanIsANewMapWithBallSensorPortalAndWalls)
{
	const PassRecord& record = rescan(drawing());
	EXPECT_EQ(printed, "new map detected!\n");
	EXPECT_EQ(record.eventsOf("newMap").size(), 1u);
	Application& app = *program->app;

	ASSERT_EQ(record.eventsOf("ball").size(), 1u);
	EXPECT_NEAR(record.eventsOf("ball")[0]->number("x"), 21.0, 0.3);  // pixel (310, 250)
	EXPECT_NEAR(record.eventsOf("ball")[0]->number("y"), -5.0, 0.3);
	ASSERT_EQ(record.eventsOf("sensor").size(), 1u);
	EXPECT_NEAR(record.eventsOf("sensor")[0]->number("x"), 5.0, 0.3);  // pixel (150, 150)
	EXPECT_NEAR(record.eventsOf("sensor")[0]->number("y"), 5.0, 0.3);
	EXPECT_EQ(record.eventsOf("portal").size(), 2u);  // one per analysis pass; the first goes

	// Three strokes and the ring's other border; nothing from the markers or the card.
	EXPECT_EQ(wallsBuilt(record), 4);
	EXPECT_EQ(app.analysis.wallRecords.size(), 4u);
	EXPECT_EQ(app.scene.countKind(Wall), 4);
	EXPECT_EQ(app.scene.countKind(Solid), 1);
	EXPECT_EQ(app.scene.countKind(SensorCircle), 1);
	EXPECT_EQ(app.scene.countKind(Portal), 1);
	EXPECT_EQ(app.stillCount, 15);
}

TEST_F(RescanTest, SameDrawingAgainKeepsItsBallsAndRebuildsTheWalls)
{
	rescan(drawing());
	Application& app = *program->app;
	b2Body* ball = app.analysis.ballRecords.at(0).body;
	const PassRecord& again = rescan(drawing());
	EXPECT_EQ(printed, "");
	EXPECT_TRUE(again.eventsOf("newMap").empty());
	EXPECT_TRUE(again.eventsOf("ball").empty());
	EXPECT_TRUE(again.eventsOf("sensor").empty());
	EXPECT_TRUE(app.scene.isRegistered(ball));
	EXPECT_EQ(app.analysis.ballRecords.size(), 1u);
	// The kept ring stays in the contour list, so both its borders are walls now.
	EXPECT_EQ(wallsBuilt(again), 5);
	EXPECT_EQ(app.scene.countKind(Wall), 5);  // the old walls went in the flush
	EXPECT_EQ(app.scene.countKind(SensorCircle), 1);
}

TEST_F(RescanTest, DrawingMovedByFortyPixelsIsTheSameMap)
{
	rescan(drawing());
	b2Body* ball = program->app->analysis.ballRecords.at(0).body;
	const PassRecord& moved = rescan(drawing(40, 0));
	EXPECT_TRUE(moved.eventsOf("newMap").empty());
	EXPECT_TRUE(program->app->scene.isRegistered(ball));
	// Kept circles are matched where they were drawn, not shifted: the moved
	// ring is 40 pixels from its record and makes a second ball.
	EXPECT_EQ(moved.eventsOf("ball").size(), 1u);
	EXPECT_EQ(program->app->scene.countKind(Solid), 2);
}

TEST_F(RescanTest, DifferentDrawingResetsEverything)
{
	rescan(drawing());
	Application& app = *program->app;
	b2Body* oldBall = app.analysis.ballRecords.at(0).body;
	cv::Mat other = blankBoard();
	drawStroke(other, cv::Point(60, 420), cv::Point(580, 400));
	drawRing(other, cv::Point(500, 300), blackPen);
	const PassRecord& record = rescan(other, false);
	EXPECT_EQ(printed, "new map detected!\n");
	EXPECT_EQ(record.eventsOf("newMap").size(), 1u);
	EXPECT_FALSE(app.scene.isRegistered(oldBall));
	ASSERT_EQ(app.analysis.ballRecords.size(), 1u);
	EXPECT_TRUE(app.analysis.sensorCircleRecords.empty());
	EXPECT_EQ(app.scene.countKind(SensorCircle), 0);
	EXPECT_EQ(app.scene.countKind(Portal), 0);
	EXPECT_EQ(app.scene.countKind(Wall), 2);
}

TEST_F(RescanTest, EmptyBoardIsNewEveryTimeAndLeavesNoWall)
{
	for (int i = 0; i < 2; ++i)
	{
		const PassRecord& record = rescan(blankBoard(), false);
		EXPECT_EQ(record.eventsOf("newMap").size(), 1u);
		EXPECT_EQ(wallsBuilt(record), 0);
	}
	EXPECT_TRUE(program->app->scene.getBodies().empty());
}

TEST_F(RescanTest, HandOverTheBoardHoldsTheRescanBack)
{
	rescan(drawing());
	Application& app = *program->app;
	const int bodies = int(app.scene.getBodies().size());
	cv::Mat withHand = blankBoard();  // a different drawing, but a hand is over it
	withHand(cv::Rect(0, 0, 640, 20)).setTo(skinTone);  // 4.2 % of the board
	const PassRecord& record = rescan(withHand);
	EXPECT_EQ(record.eventsOf("hand").size(), 1u);
	EXPECT_EQ(record.events.size(), 1u);
	EXPECT_EQ(app.stillCount, 0);
	EXPECT_EQ(int(app.scene.getBodies().size()), bodies);
	EXPECT_EQ(app.analysis.wallRecords.size(), 4u);
}

}  // namespace
