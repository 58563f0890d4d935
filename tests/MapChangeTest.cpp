#include "AnalysisTestSupport.h"
#include "HandPainting.h"
#include "physics/SpawnedBoxes.h"
#include "TestSupport.h"
#include "analysis/MapChange.h"

#include <box2d/b2_body.h>
#include <gtest/gtest.h>

namespace
{

using Contour = std::vector<cv::Point>;

/// A BGR colour well inside the skin range (YCrCb about 160, 150, 110).
const cv::Scalar skinTone(128, 150, 191);

/// A stroke of many points, like a curve from the contour search.
Contour curve(int x, int y)
{
	Contour points;
	for (int i = 0; i < 30; ++i)
	{
		points.emplace_back(x + 3 * i, y + i * i / 20);
	}
	return points;
}

TEST(SameMap, ComparesCentroidsAfterMovingTheWholeDrawing)
{
	const auto sameAs = [](const std::vector<Contour>& walls, const std::vector<Contour>& now) {
		std::vector<ShapeRecord> records;
		for (const Contour& wall : walls)
		{
			records.push_back({wall, computeDescriptor(wall), nullptr});
		}
		return isSameMap(records, now);
	};
	const std::vector<Contour> drawing = {curve(100, 100), curve(400, 120), curve(150, 300), curve(420, 350)};
	std::vector<Contour> moved, oneMore = drawing;
	for (const Contour& c : drawing)
	{
		moved.push_back(shifted(c, 40, -40));
	}
	oneMore.push_back({{600, 50}, {620, 50}});

	EXPECT_FALSE(sameAs({}, drawing));  // the first rescan: every shape costs 25
	EXPECT_FALSE(sameAs(drawing, {}));  // nothing drawn: 0 / 0 is not below 10
	EXPECT_TRUE(sameAs(drawing, drawing));
	EXPECT_TRUE(sameAs(drawing, moved));
	EXPECT_TRUE(sameAs(drawing, oneMore));  // 25 and four almost 0: about 5
	EXPECT_FALSE(sameAs(drawing, {curve(100, 100), curve(300, 400), {{600, 50}, {620, 60}}}));
	// Each old shape pairs once: the second copy finds nothing left and costs 25.
	EXPECT_FALSE(sameAs({drawing[0]}, {drawing[0], drawing[0]}));
}

/// The rescan after a successful scan, on boards drawn by the test.
class RescanTest : public ::testing::Test
{
protected:
	RescanTest() : program(TestProgram::still()), app(*program->app)
	{
		app.analysis().loadTemplates(testTemplates().first, testTemplates().second);
		board.boardScanned = true;
		board.innerCorners = {{20, 20}, {620, 460}};
		board.portalCorners = {{450, 60}, {450, 120}, {510, 60}, {510, 120}};
		// The board's markers, drawn in its corners, where a scan finds them.
		for (const cv::Point2f corner : {cv::Point2f(0, 0), cv::Point2f(600, 0), cv::Point2f(0, 440), cv::Point2f(600, 440)})
		{
			board.markerOutlines.push_back({corner, corner + cv::Point2f(40, 0), corner + cv::Point2f(40, 40), corner + cv::Point2f(0, 40)});
		}
	}

	/// Three strokes around a black ring, a yellow ring, the board's markers
	/// in its corners and the portal card; the drawing (not the markers or
	/// the card) moved by (dx, dy).
	static cv::Mat drawing(int dx = 0, int dy = 0)
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

	/// Analyse a board as the rescan of a pass would, end the pass and flush
	/// as the next one does. Returns the pass's record.
	PassRecord rescan(const cv::Mat& picture, bool portalVisible = true)
	{
		board.colour = picture;
		board.portalVisible = portalVisible;
		settle(app.stillness());
		::testing::internal::CaptureStdout();
		app.analyseScannedBoard(board);
		printed = ::testing::internal::GetCapturedStdout();
		app.trace().endPass(int(program->passes.size()) + 1, app.stillness().count(), app.scene());
		app.scene().flush();
		return program->passes.back();
	}

	/// Let the world run for some passes, without the camera.
	void fall(int passes)
	{
		for (int i = 0; i < passes; ++i)
		{
			app.scene().world()->Step(1.0f / 60.0f, 6, 2);
		}
	}

	static double walls(const PassRecord& record)
	{
		const auto events = record.eventsOf("walls");
		return events.size() == 1 ? events[0]->number("count") : -1.0;
	}

	std::unique_ptr<TestProgram> program;
	Application& app;
	/// What the scan saw: the corners the test gives, the picture of each rescan.
	RectifiedBoard board;
	std::string printed;
};

TEST_F(RescanTest, FirstRescanIsANewMapWithBallSensorPortalAndWalls)
{
	const PassRecord record = rescan(drawing());
	EXPECT_EQ(printed, "new map detected!\n");
	EXPECT_EQ(record.eventsOf("newMap").size(), 1u);
	ASSERT_EQ(record.eventsOf("ball").size(), 1u);
	EXPECT_NEAR(record.eventsOf("ball")[0]->number("x"), 21.0, 0.3);  // pixel (310, 250)
	EXPECT_NEAR(record.eventsOf("ball")[0]->number("y"), -5.0, 0.3);
	ASSERT_EQ(record.eventsOf("sensor").size(), 1u);
	EXPECT_NEAR(record.eventsOf("sensor")[0]->number("x"), 5.0, 0.3);  // pixel (150, 150)
	EXPECT_NEAR(record.eventsOf("sensor")[0]->number("y"), 5.0, 0.3);
	EXPECT_EQ(record.eventsOf("portal").size(), 2u);  // one per analysis pass; the first goes
	// Walls for the three strokes, nothing from the markers or the card. The
	// ring's two borders are remembered as shapes but build no wall, so the
	// ball is not held inside its own ring.
	EXPECT_EQ(walls(record), 3.0);
	EXPECT_EQ(app.analysis().wallRecords().size(), 5u);
	EXPECT_EQ(app.scene().countKind(Wall), 3);
	EXPECT_EQ(app.scene().countKind(Solid), 1);
	EXPECT_EQ(app.scene().countKind(SensorCircle), 1);
	EXPECT_EQ(app.scene().countKind(Portal), 1);
	EXPECT_EQ(app.stillness().count(), 15);

	// The ring's radius is about 2.5 world units: a second of falling takes
	// the ball well below its drawn ring.
	b2Body* ball = app.analysis().ballRecords().at(0).body;
	for (int i = 0; i < 60; ++i)
	{
		app.scene().world()->Step(1.0f / 60.0f, 6, 2);
	}
	EXPECT_LT(ball->GetPosition().y, -5.0f - 4.0f);
}

TEST_F(RescanTest, SameOrMovedDrawingKeepsItsBodiesAndRebuildsTheWalls)
{
	rescan(drawing());
	b2Body* ball = app.analysis().ballRecords().at(0).body;
	fall(60);
	const PassRecord again = rescan(drawing());
	EXPECT_EQ(printed, "");
	EXPECT_TRUE(again.eventsOf("newMap").empty());
	EXPECT_TRUE(again.eventsOf("ball").empty());
	EXPECT_TRUE(app.scene().isRegistered(ball));
	// The kept ring stays in the contour list, and its ball has left it, so
	// both its borders are walls now.
	EXPECT_EQ(walls(again), 5.0);
	EXPECT_EQ(app.scene().countKind(Wall), 5);
	EXPECT_EQ(app.scene().countKind(SensorCircle), 1);

	const PassRecord moved = rescan(drawing(40, 0));
	EXPECT_TRUE(moved.eventsOf("newMap").empty());
	EXPECT_TRUE(app.scene().isRegistered(ball));
	// Kept circles are matched where they were drawn, not moved: the ring is
	// now 40 pixels from its record and makes a second ball.
	EXPECT_EQ(moved.eventsOf("ball").size(), 1u);
}

/// A rescan of the same drawing that comes while the ball is still inside
/// its ring (an exposure step or a brief motion is enough) builds no wall
/// round it: the ball falls out; the next rescan after that walls the ring.
TEST_F(RescanTest, ARingWhoseBallIsStillInsideGetsNoWallUntilTheBallHasLeft)
{
	rescan(drawing());
	b2Body* ball = app.analysis().ballRecords().at(0).body;
	const float start = ball->GetPosition().y;
	fall(4);
	const PassRecord soon = rescan(drawing());
	EXPECT_TRUE(soon.eventsOf("newMap").empty());
	EXPECT_EQ(walls(soon), 3.0);
	fall(60);
	EXPECT_LT(ball->GetPosition().y, start - 4.0f) << "the ball was caught by its own ring";
	const PassRecord later = rescan(drawing());
	EXPECT_EQ(walls(later), 5.0);
}

/// Key r plays the drawing again: a ball at every ring as on a new map, the
/// old balls and whatever else moves taken away, the sensors untouched, the
/// walls as they were.
TEST_F(RescanTest, ReplayPutsEveryBallBackAtItsRingAndUntouchesTheSensors)
{
	rescan(drawing());
	b2Body* ball = app.analysis().ballRecords().at(0).body;
	const b2Vec2 start = ball->GetPosition();
	b2Body* sensor = app.analysis().sensorCircleRecords().at(0).body;
	bodyInfoOf(sensor)->touched = true;
	fall(120);
	spawnBox(app.scene());
	app.scene().flush();
	const int walls = app.scene().countKind(Wall);

	program->display->pushKey('r');
	program->run(1);
	const PassRecord& replay = program->passes.back();
	ASSERT_EQ(replay.eventsOf("replay").size(), 1u);
	EXPECT_EQ(replay.eventsOf("replay")[0]->number("balls"), 1.0);
	ASSERT_EQ(replay.eventsOf("ball").size(), 1u);
	app.scene().flush();
	EXPECT_FALSE(app.scene().isRegistered(ball));
	ASSERT_EQ(app.scene().countKind(Solid), 1) << "only the new ball";
	b2Body* again = app.analysis().ballRecords().at(0).body;
	EXPECT_NEAR(again->GetPosition().x, start.x, 1e-4);
	EXPECT_NEAR(again->GetPosition().y, start.y, 1e-4);
	EXPECT_FALSE(bodyInfoOf(sensor)->touched);
	EXPECT_EQ(app.scene().countKind(Wall), walls);
	// And it falls out of its ring as the first one did.
	fall(60);
	EXPECT_LT(again->GetPosition().y, start.y - 4.0f);
}

TEST_F(RescanTest, DifferentOrEmptyDrawingResetsEverything)
{
	rescan(drawing());
	b2Body* oldBall = app.analysis().ballRecords().at(0).body;
	cv::Mat other = blankBoard();
	drawStroke(other, cv::Point(60, 420), cv::Point(580, 400));
	const PassRecord record = rescan(other, false);
	EXPECT_EQ(printed, "new map detected!\n");
	EXPECT_FALSE(app.scene().isRegistered(oldBall));
	EXPECT_TRUE(app.analysis().ballRecords().empty());
	EXPECT_TRUE(app.analysis().sensorCircleRecords().empty());
	EXPECT_EQ(app.scene().getBodies().size(), 1u);  // the one new wall

	for (int i = 0; i < 2; ++i)
	{
		const PassRecord empty = rescan(blankBoard(), false);
		EXPECT_EQ(empty.eventsOf("newMap").size(), 1u);
		EXPECT_EQ(walls(empty), 0.0);
		EXPECT_TRUE(app.scene().getBodies().empty());
	}
}

TEST_F(RescanTest, HandOverTheBoardHoldsTheRescanBack)
{
	rescan(drawing());
	const size_t bodies = app.scene().getBodies().size();
	cv::Mat withHand = blankBoard();  // a different drawing, but a hand is over it
	withHand(cv::Rect(0, 0, 640, 20)).setTo(skinTone);  // 4.2 % of the board
	const PassRecord record = rescan(withHand);
	ASSERT_EQ(record.events.size(), 1u);
	EXPECT_EQ(record.events[0].type, "hand");
	EXPECT_EQ(app.stillness().count(), 0);
	EXPECT_EQ(app.scene().getBodies().size(), bodies);
	EXPECT_EQ(app.analysis().wallRecords().size(), 5u);
}

/// The darkest skin reads as black ink, and its outline became walls: the
/// hand is seen by what else it is, and the rescan waits for it.
TEST_F(RescanTest, TheDarkestHandHoldsTheRescanBackToo)
{
	rescan(drawing());
	// The ball leaves its ring, so that the ring is walled once the hand has gone.
	fall(60);
	const size_t bodies = app.scene().getBodies().size();
	const HandMasks hand = handMasks(HandShape::WholeFromBelow);
	cv::Mat withHand = drawing();
	paintHand(withHand, hand, skinSteps[9]);
	const PassRecord held = rescan(withHand);
	ASSERT_EQ(held.eventsOf("hand").size(), 1u);
	const double share = cv::countNonZero(hand.whole) / (640.0 * 480.0);
	EXPECT_NEAR(held.eventsOf("hand")[0]->number("share"), share, 0.15 * share);
	EXPECT_EQ(app.stillness().count(), 0);
	EXPECT_EQ(app.scene().getBodies().size(), bodies);
	EXPECT_EQ(app.analysis().wallRecords().size(), 5u);

	// Gone again: the same map, its walls rebuilt, nothing from the hand.
	const PassRecord gone = rescan(drawing());
	EXPECT_TRUE(gone.eventsOf("hand").empty());
	EXPECT_TRUE(gone.eventsOf("newMap").empty());
	EXPECT_EQ(walls(gone), 5.0);
}

}  // namespace
