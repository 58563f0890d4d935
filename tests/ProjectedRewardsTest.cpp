#include "physics/BodyFactories.h"
#include "physics/DebrisSpawn.h"
#include "physics/MouseWalls.h"
#include "physics/PhysicsScene.h"
#include "physics/SpawnedBoxes.h"
#include "render/PlayPieces.h"
#include "render/PlaySceneGathering.h"
#include "render/ProjectedRewards.h"
#include "render/ProjectorCanvas.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

// What the players' side adds to the projected picture, drawn as the
// projector would with board pixels for its own, and what the play view
// gathers from the world each pass.

namespace
{

const cv::Rect2d drawingArea(122.0, 122.0, 394.0, 234.0);

/// The board pixels the shapes light: a projector whose picture is the board.
cv::Mat litOnBoard(const std::vector<ProjectedShape>& shapes)
{
	ProjectorCanvas canvas(cv::Size(640, 480));
	canvas.draw(shapes, cv::Matx33d::eye());
	cv::Mat grey;
	cv::cvtColor(canvas.picture(), grey, cv::COLOR_BGR2GRAY);
	return grey > 0;
}

PlayScene sceneWithScore(int score, int lit, int sensors)
{
	PlayScene scene;
	scene.drawingArea = drawingArea;
	scene.status.score = score;
	scene.status.sensorsLit = lit;
	scene.status.sensorCount = sensors;
	return scene;
}

TEST(ProjectedRewards, TheScoreGoesToTheCornerOfTheDrawingWithoutInk)
{
	const cv::Point2d corners[4] = {drawingArea.tl(), {drawingArea.br().x, drawingArea.y}, {drawingArea.x, drawingArea.br().y},
		drawingArea.br()};
	for (int free = 0; free < 4; ++free)
	{
		cv::Mat ink = cv::Mat::zeros(480, 640, CV_8UC1);
		for (int c = 0; c < 4; ++c)
		{
			if (c != free)
			{
				// A blot over the corner.
				cv::circle(ink, cv::Point(corners[c]), 40, cv::Scalar(255), cv::FILLED);
			}
		}
		const cv::Mat lit = litOnBoard(projectedRewards(sceneWithScore(8, 1, 2), ink));
		ASSERT_GT(cv::countNonZero(lit), 100);
		const cv::Rect extent = cv::boundingRect(lit);
		const cv::Point2d middle = (cv::Point2d(extent.tl()) + cv::Point2d(extent.br())) / 2.0;
		const cv::Point2d areaMiddle = (drawingArea.tl() + drawingArea.br()) / 2.0;
		EXPECT_LT(cv::norm(middle - corners[free]), cv::norm(areaMiddle - corners[free]) / 2.0) << "corner " << free;
		EXPECT_TRUE(drawingArea.contains(extent.tl()) && drawingArea.contains(extent.br())) << "corner " << free;
		EXPECT_EQ(cv::countNonZero(lit & ink), 0) << "light on the ink, corner " << free;
	}
}

TEST(ProjectedRewards, TheScoreInSegmentsAndADotForEachSensorFilledOnceLit)
{
	const cv::Mat none;
	const int one = cv::countNonZero(litOnBoard(projectedRewards(sceneWithScore(1, 0, 0), none)));
	const int eight = cv::countNonZero(litOnBoard(projectedRewards(sceneWithScore(8, 0, 0), none)));
	const int eighteen = cv::countNonZero(litOnBoard(projectedRewards(sceneWithScore(18, 0, 0), none)));
	EXPECT_GT(eight, 2 * one) << "an 8 lights seven segments, a 1 two";
	EXPECT_NEAR(eighteen, eight + one, 0.1 * eighteen);

	// Three sensors, two lit: three dots under the score, two of them filled.
	const cv::Mat lit = litOnBoard(projectedRewards(sceneWithScore(1, 2, 3), none));
	const cv::Mat dotsRow = lit(cv::Rect(0, int(drawingArea.y) + 36, 640, 12));
	cv::Mat labels, stats, centroids;
	const int dots = cv::connectedComponentsWithStats(dotsRow, labels, stats, centroids) - 1;
	ASSERT_EQ(dots, 3);
	std::vector<int> areas;
	for (int i = 1; i <= dots; ++i)
	{
		areas.push_back(stats.at<int>(i, cv::CC_STAT_AREA));
	}
	EXPECT_GT(areas[0], areas[2]);
	EXPECT_GT(areas[1], areas[2]);
}

TEST(ProjectedRewards, AHaloForASecondAfterASensorLitAndConfettiForTwoAfterSolving)
{
	PlayScene scene = sceneWithScore(0, 0, 0);
	PlaySensor sensor;
	sensor.position = {20.0f, -5.0f};
	sensor.radius = 1.0f;
	scene.sensors = {sensor};
	scene.status.solved = true;
	scene.status.solvedAfter = 4.0;
	const cv::Point2d centre = boardMapping.toPixel(20.0, -5.0);
	const auto haloLight = [&](double age) {
		scene.sensors[0].litAfter = scene.status.seconds - age;
		cv::Mat halo = cv::Mat::zeros(480, 640, CV_8UC1);
		cv::circle(halo, cv::Point(centre), int(std::lround(sensorHaloRadius(10.0, age))), cv::Scalar(255), 3);
		return cv::countNonZero(litOnBoard(projectedRewards(scene, cv::Mat())) & halo);
	};
	scene.status.seconds = 10.0;
	EXPECT_GT(haloLight(0.3), 50);
	EXPECT_EQ(haloLight(1.5), 0);

	const auto confetti = [&](double after) {
		scene.status.seconds = 4.0 + after;
		scene.sensors.clear();
		scene.status.score = 1;  // the score shows in the top left corner: look below it
		return cv::countNonZero(litOnBoard(projectedRewards(scene, cv::Mat()))(cv::Rect(0, 200, 640, 280)));
	};
	EXPECT_GT(confetti(0.5), 300);
	EXPECT_EQ(confetti(2.5), 0);
}

TEST(ProjectedRewards, NoColourOfTheRewardsIsOneTheInkClassesTake)
{
	PlayScene scene = sceneWithScore(5, 1, 2);
	PlaySensor sensor;
	sensor.position = {20.0f, -5.0f};
	sensor.radius = 1.0f;
	sensor.litAfter = 9.5;
	scene.sensors = {sensor};
	scene.status.seconds = 10.0;
	scene.status.solved = true;
	scene.status.solvedAfter = 9.5;
	for (const ProjectedShape& shape : projectedRewards(scene, cv::Mat()))
	{
		cv::Mat colour(1, 1, CV_8UC3, shape.colour), ycrcb;
		cv::cvtColor(colour, ycrcb, cv::COLOR_BGR2YCrCb);
		EXPECT_LT(ycrcb.at<cv::Vec3b>(0, 0)[1], 120) << "colour " << shape.colour << ": red enough to read as ink";
	}
}

TEST(PlaySceneGathering, EachBodyOfTheWorldAsThePieceThePlayViewDraws)
{
	PhysicsScene world;
	world.createWorld(b2Vec2(0.0f, -10.0f));
	b2Body* ball = createBall(world, 5.0f, 3.0f, 1.0f);
	b2Body* gone = createBall(world, 9.0f, 3.0f, 1.0f);
	b2Body* sensor = createSensorCircle(world, 12.0f, -4.0f, 1.5f);
	createSensorCircle(world, 18.0f, -4.0f, 1.0f);
	createPortal(world, 40.0f, -4.0f, 5.0f, 4.0f);
	createWallSegment(world, 2.0f, -10.0f, 12.0f, -14.0f);
	createWallChain({{0.0f, 0.0f}, {5.0f, -1.0f}, {9.0f, -1.5f}}, world);
	spawnBox(world);
	queueDebris(world, 30.0f, 2.0f);
	world.flush();
	world.mark(gone);
	ScoreKeeper score;
	score.newDrawing(0.0);
	score.addSensor(scoreId(sensor));
	score.touch(scoreId(ball), scoreId(sensor), 3, 2.5, nullptr);

	PlayScene play;
	gatherPlayPieces(world, score, play);
	ASSERT_EQ(play.balls.size(), 1u) << "a ball marked to go is left out";
	EXPECT_EQ(play.balls[0].position, ball->GetPosition());
	EXPECT_FLOAT_EQ(play.balls[0].radius, 1.0f);
	ASSERT_EQ(play.boxes.size(), 1u);
	EXPECT_EQ(play.boxes[0].outline.size(), 4u);
	EXPECT_EQ(play.debris.size(), debrisPerShatter);
	ASSERT_EQ(play.sensors.size(), 2u);
	EXPECT_FLOAT_EQ(play.sensors[0].radius, 1.5f);
	EXPECT_DOUBLE_EQ(play.sensors[0].litAfter, 2.5);
	EXPECT_FALSE(play.sensors[1].lit());
	ASSERT_EQ(play.portals.size(), 1u);
	EXPECT_NEAR(b2Distance(play.portals[0][0], play.portals[0][2]), std::hypot(10.0f, 8.0f), 1e-4f);
	ASSERT_EQ(play.planks.size(), 1u) << "the mouse's wall a plank, the drawing's chain its ink";
	const b2Vec2 ends[2] = {play.planks[0].from, play.planks[0].to};
	const bool forwards = b2Distance(ends[0], b2Vec2(2.0f, -10.0f)) < b2Distance(ends[1], b2Vec2(2.0f, -10.0f));
	EXPECT_LT(b2Distance(ends[forwards ? 0 : 1], b2Vec2(2.0f, -10.0f)), 1e-4f);
	EXPECT_LT(b2Distance(ends[forwards ? 1 : 0], b2Vec2(12.0f, -14.0f)), 1e-4f);

	PlayStatus status;
	fillScoreStatus(score, 6.0, status);
	EXPECT_EQ(status.score, 1);
	EXPECT_EQ(status.sensorsLit, 1);
	EXPECT_EQ(status.sensorCount, 1);
	EXPECT_TRUE(status.solved);
	EXPECT_DOUBLE_EQ(status.seconds, 6.0);
	EXPECT_DOUBLE_EQ(status.solvedAfter, 2.5);
}

}  // namespace
