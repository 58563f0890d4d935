#include "TestSupport.h"

#include "physics/BodyFactories.h"
#include "physics/MouseWalls.h"
#include "render/CameraViewOverlay.h"

#include <box2d/b2_body.h>
#include <box2d/b2_circle_shape.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

namespace
{

const cv::Vec3b bodyColour(255, 128, 128);
const cv::Vec3b boardPaper(200, 200, 200);
const cv::Vec3b cameraPaper(90, 90, 90);

/// A record of a drawn circle: its centroid and mean radius in the descriptor.
ShapeRecord circleRecord(double x, double y, double meanRadius, b2Body* body = nullptr)
{
	ShapeRecord record;
	record.descriptor = cv::Mat::zeros(10, 1, CV_64F);
	record.descriptor.at<double>(0) = x;
	record.descriptor.at<double>(1) = y;
	record.descriptor.at<double>(8) = meanRadius;
	record.body = body;
	return record;
}

/// Pixels of one colour and the rectangle around them.
struct Patch
{
	int count = 0;
	cv::Rect bounds;
};

Patch patchOf(const cv::Mat& image, const cv::Vec3b& colour)
{
	cv::Mat mask;
	cv::inRange(image, cv::Scalar(colour[0], colour[1], colour[2]), cv::Scalar(colour[0], colour[1], colour[2]), mask);
	Patch patch;
	patch.count = cv::countNonZero(mask);
	if (patch.count > 0)
	{
		patch.bounds = cv::boundingRect(mask);
	}
	return patch;
}

/// The scanner's views with a board found: the camera sees the board 1:1
/// unless a test sets another homography.
class CameraViewOverlayTest : public ::testing::Test
{
protected:
	CameraViewOverlayTest()
	{
		scene.createWorld(b2Vec2(0.0f, -10.0f));
		scanner.homography = cv::Mat::eye(3, 3, CV_64F);
		scanner.cameraFrame = cv::Mat(480, 640, CV_8UC3, cameraPaper);
		scanner.warpedSnapshot = cv::Mat(480, 640, CV_8UC3, boardPaper);
	}

	void compose() { scanner.composeCameraView(analysis, scene); }

	bool shown(const std::string& window) const { return display.lastImages().count(window) != 0; }

	HeadlessDisplay display;
	BoardScanner scanner{std::make_unique<StillFrameSource>(cv::Mat()), display};
	PhysicsScene scene;
	DrawingAnalysis analysis{scanner, scene};
};

TEST_F(CameraViewOverlayTest, BallCircleIsCoveredBySquareOfThePaperAtItsCentre)
{
	// The square of the worked example: corners (175, 75) to (225, 125).
	scanner.warpedSnapshot.at<cv::Vec3b>(100, 200) = cv::Vec3b(10, 20, 30);
	scanner.cameraFrame.at<cv::Vec3b>(100, 200) = cv::Vec3b(40, 50, 60);
	analysis.ballRecords.push_back(circleRecord(200.7, 100.2, 12.5));
	compose();

	const Patch board = patchOf(scanner.warpedSnapshot, cv::Vec3b(10, 20, 30));
	EXPECT_EQ(board.bounds, cv::Rect(175, 75, 51, 51));
	EXPECT_EQ(board.count, 51 * 51);
	const Patch camera = patchOf(scanner.cameraFrame, cv::Vec3b(40, 50, 60));
	EXPECT_EQ(camera.bounds, cv::Rect(175, 75, 51, 51));
	ASSERT_TRUE(shown("warped"));
	EXPECT_EQ(cv::norm(display.lastImages().at("warped"), scanner.warpedSnapshot, cv::NORM_INF), 0.0);
}

TEST_F(CameraViewOverlayTest, CameraSquareIsTheBoardSquareSeenThroughTheHomography)
{
	// The camera sees the board at twice its size, shifted by (30, 10).
	scanner.homography = (cv::Mat_<double>(3, 3) << 0.5, 0, -15, 0, 0.5, -5, 0, 0, 1);
	scanner.cameraFrame.at<cv::Vec3b>(210, 430) = cv::Vec3b(40, 50, 60);
	scanner.warpedSnapshot.at<cv::Vec3b>(100, 200) = cv::Vec3b(10, 20, 30);
	analysis.ballRecords.push_back(circleRecord(200.7, 100.2, 12.5));
	compose();
	const Patch camera = patchOf(scanner.cameraFrame, cv::Vec3b(40, 50, 60));
	EXPECT_EQ(camera.bounds, cv::Rect(380, 160, 101, 101));
	EXPECT_EQ(camera.count, 101 * 101);
	EXPECT_EQ(patchOf(scanner.warpedSnapshot, cv::Vec3b(10, 20, 30)).bounds, cv::Rect(175, 75, 51, 51));
}

TEST_F(CameraViewOverlayTest, SensorCircleVanishesOnlyOnceTouchedAndStaysErased)
{
	b2Body* sensor = createSensorCircle(scene, 20.0f, 10.0f, 1.0f);  // board (300, 100)
	scanner.warpedSnapshot.at<cv::Vec3b>(100, 300) = cv::Vec3b(1, 2, 3);
	analysis.sensorCircleRecords.push_back(circleRecord(300.0, 100.0, 10.0, sensor));
	compose();
	EXPECT_EQ(patchOf(scanner.warpedSnapshot, cv::Vec3b(1, 2, 3)).count, 1);

	bodyInfoOf(sensor)->touched = true;
	compose();
	EXPECT_EQ(patchOf(scanner.warpedSnapshot, cv::Vec3b(1, 2, 3)).count, 41 * 41);

	// A record left behind by its destroyed body is not read.
	b2Body* gone = createSensorCircle(scene, 30.0f, 10.0f, 1.0f);  // board (400, 100)
	bodyInfoOf(gone)->touched = true;
	scanner.warpedSnapshot.at<cv::Vec3b>(100, 400) = cv::Vec3b(4, 5, 6);
	analysis.sensorCircleRecords.push_back(circleRecord(400.0, 100.0, 10.0, gone));
	scene.mark(gone);
	scene.flush();
	compose();
	EXPECT_EQ(patchOf(scanner.warpedSnapshot, cv::Vec3b(4, 5, 6)).count, 1);
}

TEST_F(CameraViewOverlayTest, SamplePointsOutsideAnImageSkipThatCircle)
{
	analysis.ballRecords.push_back(circleRecord(700.0, 100.0, 10.0));   // right of the board
	analysis.ballRecords.push_back(circleRecord(100.0, -3.0, 10.0));    // above it
	ShapeRecord shortDescriptor = circleRecord(100.0, 100.0, 10.0);
	shortDescriptor.descriptor = shortDescriptor.descriptor.rowRange(0, 5).clone();
	analysis.ballRecords.push_back(shortDescriptor);
	compose();
	EXPECT_EQ(patchOf(scanner.warpedSnapshot, boardPaper).count, 640 * 480);
	EXPECT_EQ(patchOf(scanner.cameraFrame, cameraPaper).count, 640 * 480);

	// Inside the board, but the camera sees that spot outside its picture:
	// neither image is touched.
	scanner.homography = (cv::Mat_<double>(3, 3) << 1, 0, 400, 0, 1, 0, 0, 0, 1);
	analysis.ballRecords = {circleRecord(300.0, 100.0, 10.0)};
	compose();
	EXPECT_EQ(patchOf(scanner.warpedSnapshot, boardPaper).count, 640 * 480);
	EXPECT_EQ(patchOf(scanner.cameraFrame, cameraPaper).count, 640 * 480);
}

TEST_F(CameraViewOverlayTest, MovingBodiesArePaintedWhereTheCameraSeesThem)
{
	createBall(scene, 0.0f, 0.0f, 1.0f);  // board (100, 200), a ten-sided disc of radius 10
	b2BodyDef def;
	def.type = b2_dynamicBody;
	def.position.Set(10.0f, 0.0f);  // board (200, 200), a 20-pixel square
	b2Body* box = scene.world->CreateBody(&def);
	b2PolygonShape square;
	square.SetAsBox(1.0f, 1.0f);
	box->CreateFixture(&square, 1.0f);
	scene.registerBody(box, Solid);
	DebrisSpawn debris;
	debris.bodyDef.type = b2_dynamicBody;
	debris.bodyDef.position.Set(20.0f, 0.0f);  // board (300, 200), 2 pixels wide
	scene.queueSpawn(debris);
	scene.flush();
	compose();

	const cv::Mat& camera = scanner.cameraFrame;
	EXPECT_EQ(camera.at<cv::Vec3b>(200, 100), bodyColour);
	EXPECT_EQ(camera.at<cv::Vec3b>(200, 109), bodyColour);
	EXPECT_EQ(camera.at<cv::Vec3b>(200, 111), cameraPaper);
	EXPECT_EQ(camera.at<cv::Vec3b>(209, 100), bodyColour);  // a flat side, 9.5 pixels out
	EXPECT_EQ(camera.at<cv::Vec3b>(211, 100), cameraPaper);
	EXPECT_EQ(camera.at<cv::Vec3b>(191, 191), bodyColour);
	EXPECT_EQ(camera.at<cv::Vec3b>(209, 209), bodyColour);
	EXPECT_EQ(camera.at<cv::Vec3b>(200, 212), cameraPaper);
	EXPECT_EQ(camera.at<cv::Vec3b>(200, 300), bodyColour);
	EXPECT_EQ(patchOf(camera, bodyColour).bounds.br().x, 302);
	// Painted into the camera picture only.
	EXPECT_EQ(patchOf(scanner.warpedSnapshot, boardPaper).count, 640 * 480);
}

TEST_F(CameraViewOverlayTest, WallsSensorsAndThePortalAreNeverPainted)
{
	createWallChain({b2Vec2(0.0f, 0.0f), b2Vec2(20.0f, 0.0f)}, scene);
	createWallSegment(scene, 0.0f, 5.0f, 20.0f, 8.0f);
	createSensorCircle(scene, 5.0f, 5.0f, 1.0f);
	createPortal(scene, 10.0f, 5.0f, 3.0f, 3.0f);
	bodyInfoOf(scene.getBodies()[2])->touched = true;
	compose();
	EXPECT_EQ(patchOf(scanner.cameraFrame, cameraPaper).count, 640 * 480);
}

TEST_F(CameraViewOverlayTest, NormalIsTheCameraPictureHalfTurned)
{
	scanner.homography = cv::Mat();  // before the first scan: nothing erased or painted
	createBall(scene, 0.0f, 0.0f, 1.0f);
	cv::RNG rng(7);
	rng.fill(scanner.cameraFrame, cv::RNG::UNIFORM, 0, 256);
	const cv::Mat before = scanner.cameraFrame.clone();
	compose();

	EXPECT_FALSE(shown("warped"));
	EXPECT_EQ(cv::norm(scanner.cameraFrame, before, cv::NORM_INF), 0.0);  // not turned in place
	ASSERT_TRUE(shown("normal"));
	const cv::Mat& turned = display.lastImages().at("normal");
	ASSERT_EQ(turned.size(), before.size());
	for (const cv::Point p : {cv::Point(1, 1), cv::Point(639, 479), cv::Point(100, 200), cv::Point(320, 240),
			 cv::Point(17, 433), cv::Point(600, 3)})
	{
		EXPECT_EQ(turned.at<cv::Vec3b>(480 - p.y, 640 - p.x), before.at<cv::Vec3b>(p)) << p;
	}
	EXPECT_EQ(cv::countNonZero(turned.row(0).reshape(1)), 0);
	EXPECT_EQ(cv::countNonZero(turned.col(0).reshape(1)), 0);
}

TEST_F(CameraViewOverlayTest, WithoutACameraFrameNormalShowsNothing)
{
	scanner.cameraFrame = cv::Mat();
	createBall(scene, 0.0f, 0.0f, 1.0f);
	analysis.ballRecords.push_back(circleRecord(200.0, 100.0, 10.0));
	EXPECT_NO_THROW(compose());
	EXPECT_FALSE(shown("normal"));
	EXPECT_TRUE(shown("warped"));
}

TEST_F(CameraViewOverlayTest, DegenerateHomographyIsTreatedAsNone)
{
	scanner.homography = cv::Mat::zeros(3, 3, CV_64F);
	analysis.ballRecords.push_back(circleRecord(200.0, 100.0, 10.0));
	createBall(scene, 0.0f, 0.0f, 1.0f);
	compose();
	EXPECT_FALSE(shown("warped"));
	EXPECT_EQ(patchOf(scanner.cameraFrame, cameraPaper).count, 640 * 480);
	EXPECT_TRUE(shown("normal"));
}

TEST(BodyOutline, CirclesGiveTenPointsAboutTheOriginNewestFixtureFirst)
{
	b2World world(b2Vec2(0.0f, -10.0f));
	b2BodyDef def;
	def.position.Set(3.0f, 4.0f);
	def.angle = float(b2_pi / 2);
	b2Body* body = world.CreateBody(&def);
	b2PolygonShape box;
	box.SetAsBox(1.0f, 0.5f);
	body->CreateFixture(&box, 1.0f);
	b2EdgeShape edge;
	edge.SetTwoSided(b2Vec2(0.0f, 0.0f), b2Vec2(5.0f, 0.0f));
	body->CreateFixture(&edge, 0.0f);
	b2CircleShape circle;
	circle.m_radius = 2.0f;
	body->CreateFixture(&circle, 1.0f);

	const std::vector<b2Vec2> outline = bodyOutline(*body);
	ASSERT_EQ(outline.size(), 14u);  // circle, nothing for the edge, then the box
	for (int k = 0; k < 10; ++k)
	{
		const double a = k * 2.0 * CV_PI / 10.0 + CV_PI / 2;  // turned with the body
		EXPECT_NEAR(outline[k].x, 3.0 + 2.0 * std::cos(a), 1e-5);
		EXPECT_NEAR(outline[k].y, 4.0 + 2.0 * std::sin(a), 1e-5);
	}
	EXPECT_NEAR(outline[10].x, 3.5f, 1e-5f);  // box vertex (-1, -0.5) turned a quarter
	EXPECT_NEAR(outline[10].y, 3.0f, 1e-5f);
}

TEST(BoardPointToCamera, TruncatesTowardZeroAndHoldsPointsAtInfinity)
{
	const cv::Mat identity = cv::Mat::eye(3, 3, CV_64F);
	EXPECT_EQ(boardPointToCamera(identity, -1.7f, 2.9f), cv::Point(-1, 2));
	const cv::Mat perspective = (cv::Mat_<double>(3, 3) << 1, 0, 0, 0, 1, 0, 0.01, 0, 1);
	EXPECT_EQ(boardPointToCamera(perspective, 100.0f, 50.0f), cv::Point(50, 25));
	// w = 0: the point lies at infinity; it must still be a valid pixel value.
	const cv::Point far = boardPointToCamera(perspective, -100.0f, 50.0f);
	EXPECT_EQ(std::abs(far.x), 1 << 24);
	EXPECT_EQ(std::abs(far.y), 1 << 24);
}

/// The overlay inside a running program: a rescan earlier in the pass made the
/// records and bodies (here set up by hand between passes).
TEST(CameraViewInTheLoop, BallCircleErasedFromItsFirstPassSensorOnceABallGoesThrough)
{
	auto program = TestProgram::still();
	Application& app = *program->app;
	app.scanner.homography = cv::Mat::eye(3, 3, CV_64F);
	app.scanner.warpedSnapshot = cv::Mat(480, 640, CV_8UC3, boardPaper);
	const cv::Vec3b ink(0, 0, 0);
	cv::circle(app.scanner.warpedSnapshot, cv::Point(300, 50), 10, cv::Scalar(0, 0, 0), 1);  // the ball's ring
	cv::circle(app.scanner.warpedSnapshot, cv::Point(300, 100), 10, cv::Scalar(0, 0, 0), 1);  // the sensor's
	b2Body* ball = createBall(app.scene, 20.0f, 15.0f, 1.0f);
	app.analysis.ballRecords.push_back(circleRecord(300.0, 50.0, 10.0, ball));
	b2Body* sensor = createSensorCircle(app.scene, 20.0f, 10.0f, 1.0f);
	app.analysis.sensorCircleRecords.push_back(circleRecord(300.0, 100.0, 10.0, sensor));

	program->run(1);
	const auto inkIn = [&](int row) {
		return patchOf(program->display->lastImages().at("warped").rowRange(row - 15, row + 15), ink).count;
	};
	EXPECT_EQ(inkIn(50), 0);
	EXPECT_GT(inkIn(100), 0);
	// The ball is painted where it is now, into the camera picture ("normal" is half turned).
	const cv::Mat& normal = program->display->lastImages().at("normal");
	EXPECT_EQ(normal.at<cv::Vec3b>(480 - 50, 640 - 300), bodyColour);

	program->run(60);  // the ball falls through the sensor and on, out of the picture
	EXPECT_TRUE(bodyInfoOf(sensor)->touched);
	EXPECT_EQ(inkIn(100), 0);
	EXPECT_EQ(inkIn(50), 0);
}

}  // namespace
