#include "TestSupport.h"

#include "physics/BodyFactories.h"
#include "physics/MouseWalls.h"
#include "render/CameraViewOverlay.h"

#include <box2d/b2_body.h>
#include <box2d/b2_circle_shape.h>
#include <box2d/b2_polygon_shape.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

namespace
{

const cv::Vec3b bodyColour(255, 128, 128);
const cv::Vec3b boardPaper(200, 200, 200);
const cv::Vec3b cameraPaper(90, 90, 90);
const cv::Vec3b marked(10, 20, 30);

/// A record of a drawn circle: centroid and mean radius in the descriptor.
ShapeRecord circleRecord(double x, double y, double meanRadius, b2Body* body = nullptr)
{
	ShapeRecord record;
	record.descriptor = cv::Mat::zeros(10, 1, CV_64F);
	record.descriptor.at<double>(centroidXRow) = x;
	record.descriptor.at<double>(centroidYRow) = y;
	record.descriptor.at<double>(meanRadiusRow) = meanRadius;
	record.body = body;
	return record;
}

/// The rectangle around the pixels of one colour, and their number.
std::pair<cv::Rect, int> patchOf(const cv::Mat& image, const cv::Vec3b& colour)
{
	cv::Mat mask;
	cv::inRange(image, cv::Scalar(colour[0], colour[1], colour[2]), cv::Scalar(colour[0], colour[1], colour[2]), mask);
	return {cv::boundingRect(mask), cv::countNonZero(mask)};
}

/// The views once a board scan has given a homography: by default the camera
/// sees the board 1:1. The first compose copies the board into "warped".
class CameraViewOverlayTest : public ::testing::Test
{
protected:
	CameraViewOverlayTest()
	{
		scene.createWorld(b2Vec2(0.0f, -10.0f));
		board.setHomography(cv::Mat::eye(3, 3, CV_64F));
		board.colour = cv::Mat(480, 640, CV_8UC3, boardPaper);
		board.rectifications = 1;
	}

	void compose() { composeCameraView(pictures, cameraFrame, board, balls, sensors, scene, display); }

	/// A new scan of the board: "warped" starts again from its picture.
	void rescan(const cv::Mat& picture)
	{
		board.colour = picture;
		board.rectifications += 1;
	}

	bool shown(const std::string& window) const { return display.lastImages().count(window) != 0; }

	bool untouched() const
	{
		return patchOf(pictures.warped, boardPaper).second == 640 * 480 &&
			patchOf(pictures.camera, cameraPaper).second == 640 * 480;
	}

	HeadlessDisplay display;
	RectifiedBoard board;
	cv::Mat cameraFrame{480, 640, CV_8UC3, cv::Scalar(cameraPaper[0], cameraPaper[1], cameraPaper[2])};
	CameraViewPictures pictures;
	PhysicsScene scene;
	/// The drawn circles that became bodies, as the drawing analysis keeps them.
	std::vector<ShapeRecord> balls;
	std::vector<ShapeRecord> sensors;
};

TEST_F(CameraViewOverlayTest, BallCircleIsCoveredBySquaresOfThePaperAroundThem)
{
	// The camera sees the board at twice its size, shifted by (30, 10).
	board.setHomography((cv::Mat_<double>(3, 3) << 0.5, 0, -15, 0, 0.5, -5, 0, 0, 1));
	// Marked a little wider than the square, the paper read beyond its edge.
	board.colour(cv::Rect(173, 73, 55, 55)).setTo(cv::Scalar(marked[0], marked[1], marked[2]));
	cameraFrame(cv::Rect(376, 156, 109, 109)).setTo(cv::Scalar(marked[0], marked[1], marked[2]));
	balls.push_back(circleRecord(200.7, 100.2, 12.5));
	const cv::Mat scanned = board.colour.clone();
	const cv::Mat camera = cameraFrame.clone();
	compose();

	// The board square has corners (175, 75) and (225, 125), filled with the
	// paper around it; only a frame of the mark is left outside it.
	EXPECT_EQ(patchOf(pictures.warped(cv::Rect(175, 75, 51, 51)), boardPaper).second, 51 * 51);
	EXPECT_EQ(patchOf(pictures.warped, marked), std::make_pair(cv::Rect(173, 73, 55, 55), 55 * 55 - 51 * 51));
	EXPECT_EQ(patchOf(pictures.camera(cv::Rect(380, 160, 101, 101)), cameraPaper).second, 101 * 101);
	EXPECT_EQ(patchOf(pictures.camera, marked), std::make_pair(cv::Rect(376, 156, 109, 109), 109 * 109 - 101 * 101));
	ASSERT_TRUE(shown("warped"));
	EXPECT_EQ(cv::norm(display.lastImages().at("warped"), pictures.warped, cv::NORM_INF), 0.0);
	// What the camera and the scan saw stays as they saw it.
	EXPECT_EQ(cv::norm(board.colour, scanned, cv::NORM_INF), 0.0);
	EXPECT_EQ(cv::norm(cameraFrame, camera, cv::NORM_INF), 0.0);
}

/// The paper is what surrounds the square, whatever lies at the circle's
/// centre or crosses the square's edge: a stroke drawn across the ring (as
/// across the demo's sensor rings), a hand over part of it, the projector's
/// light on it, the light of this pass rather than the scan's.
TEST_F(CameraViewOverlayTest, TheSquaresPaperIsThePaperAroundItWhateverCrossesIt)
{
	const cv::Vec3b ink(20, 20, 20), hand(90, 130, 200), light(90, 255, 90);
	for (int lit = 0; lit < 2; ++lit)
	{
		// This pass's camera picture is brighter than at the scan, or not.
		const cv::Vec3b paper = lit ? cv::Vec3b(120, 120, 120) : cameraPaper;
		cameraFrame.setTo(cv::Scalar(paper[0], paper[1], paper[2]));
		board.colour.setTo(cv::Scalar(boardPaper[0], boardPaper[1], boardPaper[2]));
		for (cv::Mat* image : {&board.colour, &cameraFrame})
		{
			cv::line(*image, cv::Point(150, 100), cv::Point(250, 100), cv::Scalar(ink[0], ink[1], ink[2]), 3);
			cv::circle(*image, cv::Point(200, 100), 10, cv::Scalar(light[0], light[1], light[2]), cv::FILLED);
			(*image)(cv::Rect(160, 60, 25, 80)).setTo(cv::Scalar(hand[0], hand[1], hand[2]));
		}
		rescan(board.colour);
		balls = {circleRecord(200.0, 100.0, 12.5)};
		compose();
		const cv::Vec3b expected[] = {boardPaper, paper};
		const cv::Mat painted[] = {pictures.warped, pictures.camera};
		for (int i = 0; i < 2; ++i)
		{
			const cv::Mat square = painted[i](cv::Rect(175, 75, 51, 51));
			EXPECT_EQ(patchOf(square, expected[i]).second, 51 * 51) << "picture " << i << ", lit " << lit;
			// Beyond the square the stroke and the hand stay.
			EXPECT_EQ(painted[i].at<cv::Vec3b>(100, 155), ink) << "picture " << i << ", lit " << lit;
			EXPECT_EQ(painted[i].at<cv::Vec3b>(100, 240), ink) << "picture " << i << ", lit " << lit;
			EXPECT_EQ(painted[i].at<cv::Vec3b>(65, 165), hand) << "picture " << i << ", lit " << lit;
		}
	}
}

TEST_F(CameraViewOverlayTest, SensorCircleVanishesOnlyWhileItsTouchedBodyLives)
{
	b2Body* sensor = createSensorCircle(scene, 20.0f, 10.0f, 1.0f);
	board.colour.at<cv::Vec3b>(100, 300) = marked;
	sensors.push_back(circleRecord(300.0, 100.0, 10.0, sensor));
	compose();
	EXPECT_EQ(patchOf(pictures.warped, marked).second, 1);
	bodyInfoOf(sensor)->touched = true;
	compose();
	EXPECT_EQ(patchOf(pictures.warped, marked).second, 0);

	// A record left behind by a destroyed body is not read.
	cv::Mat again(480, 640, CV_8UC3, boardPaper);
	again.at<cv::Vec3b>(100, 300) = marked;
	rescan(again);
	scene.mark(sensor);
	scene.flush();
	compose();
	EXPECT_EQ(patchOf(pictures.warped, marked).second, 1);
}

TEST_F(CameraViewOverlayTest, ACircleWhoseEdgeLiesMostlyOutsideAPictureIsLeftAlone)
{
	const cv::Scalar mark(marked[0], marked[1], marked[2]);
	// Right of the board, centred just off it, and too short to hold a radius.
	for (cv::Mat* image : {&board.colour, &cameraFrame})
	{
		(*image)(cv::Rect(625, 90, 15, 20)).setTo(mark);
		(*image)(cv::Rect(95, 95, 10, 10)).setTo(mark);
	}
	rescan(board.colour);
	balls.push_back(circleRecord(700.0, 100.0, 10.0));
	balls.push_back(circleRecord(645.0, 100.0, 10.0));
	balls.push_back(circleRecord(100.0, 100.0, 10.0));
	balls.back().descriptor.resize(5);
	compose();
	EXPECT_EQ(patchOf(pictures.warped, marked).second, 15 * 20 + 10 * 10);
	EXPECT_EQ(patchOf(pictures.camera, marked).second, 15 * 20 + 10 * 10);
	// Half its edge inside: erased, with the paper inside.
	balls.push_back(circleRecord(632.0, 100.0, 10.0));
	compose();
	EXPECT_EQ(patchOf(pictures.warped, marked).second, 10 * 10);
	EXPECT_EQ(patchOf(pictures.camera, marked).second, 10 * 10);

	// On the board, but outside the camera picture: neither image is touched.
	board.setHomography((cv::Mat_<double>(3, 3) << 1, 0, 400, 0, 1, 0, 0, 0, 1));
	rescan(board.colour);
	cameraFrame.setTo(cv::Scalar(cameraPaper[0], cameraPaper[1], cameraPaper[2]));
	cameraFrame(cv::Rect(0, 0, 640, 1)).setTo(mark);
	balls = {circleRecord(300.0, 100.0, 10.0)};
	board.colour.at<cv::Vec3b>(100, 300) = marked;
	compose();
	EXPECT_EQ(pictures.warped.at<cv::Vec3b>(100, 300), marked);
	EXPECT_EQ(patchOf(pictures.camera, marked).second, 640);
}

TEST_F(CameraViewOverlayTest, OnlyMovingBodiesArePaintedAndOnlyIntoTheCameraPicture)
{
	createWallChain({b2Vec2(0.0f, 5.0f), b2Vec2(50.0f, 5.0f)}, scene);
	createWallSegment(scene, 0.0f, 8.0f, 20.0f, 12.0f);
	createPortal(scene, 30.0f, 10.0f, 3.0f, 3.0f);
	bodyInfoOf(createSensorCircle(scene, 5.0f, 10.0f, 1.0f))->touched = true;
	compose();
	EXPECT_TRUE(untouched());

	createBall(scene, 0.0f, 0.0f, 1.0f);  // board (100, 200): a decagon of radius 10
	b2BodyDef def;
	def.type = b2_dynamicBody;
	def.position.Set(10.0f, 0.0f);  // board (200, 200): a 20-pixel square
	b2Body* box = scene.world()->CreateBody(&def);
	b2PolygonShape square;
	square.SetAsBox(1.0f, 1.0f);
	box->CreateFixture(&square, 1.0f);
	scene.registerBody(box, Solid);
	DebrisSpawn debris;
	debris.bodyDef.type = b2_dynamicBody;
	debris.bodyDef.position.Set(20.0f, 0.0f);  // board (300, 200): 2 pixels wide
	scene.queueSpawn(debris);
	scene.flush();
	compose();

	const cv::Mat& camera = pictures.camera;
	EXPECT_EQ(camera.at<cv::Vec3b>(200, 109), bodyColour);  // a corner at (110, 200)
	EXPECT_EQ(camera.at<cv::Vec3b>(200, 111), cameraPaper);
	EXPECT_EQ(camera.at<cv::Vec3b>(209, 100), bodyColour);  // a side, 9.5 pixels out
	EXPECT_EQ(camera.at<cv::Vec3b>(211, 100), cameraPaper);
	EXPECT_EQ(patchOf(camera.colRange(150, 250), bodyColour).first, cv::Rect(40, 190, 21, 21));
	EXPECT_EQ(patchOf(camera.colRange(250, 640), bodyColour).first, cv::Rect(49, 199, 3, 3));
	EXPECT_EQ(patchOf(pictures.warped, boardPaper).second, 640 * 480);
}

TEST_F(CameraViewOverlayTest, NormalIsTheCameraPictureHalfTurnedAlsoBeforeTheFirstScan)
{
	board.setHomography(cv::Mat());  // nothing is erased or painted, "warped" is not shown
	createBall(scene, 0.0f, 0.0f, 1.0f);
	balls.push_back(circleRecord(200.0, 100.0, 10.0));
	cv::RNG(7).fill(cameraFrame, cv::RNG::UNIFORM, 0, 256);
	const cv::Mat before = cameraFrame.clone();
	compose();

	EXPECT_FALSE(shown("warped"));
	EXPECT_EQ(cv::norm(pictures.camera, before, cv::NORM_INF), 0.0);  // not turned in place
	const cv::Mat& turned = display.lastImages().at("normal");
	for (const cv::Point p : {cv::Point(1, 1), cv::Point(639, 479), cv::Point(100, 200), cv::Point(17, 433)})
	{
		EXPECT_EQ(turned.at<cv::Vec3b>(480 - p.y, 640 - p.x), before.at<cv::Vec3b>(p)) << p;
	}
	EXPECT_EQ(cv::countNonZero(turned.row(0).reshape(1)), 0);
	EXPECT_EQ(cv::countNonZero(turned.col(0).reshape(1)), 0);
}

TEST_F(CameraViewOverlayTest, NoCameraFrameOrASingularHomographyIsHarmless)
{
	createBall(scene, 0.0f, 0.0f, 1.0f);
	balls.push_back(circleRecord(200.0, 100.0, 10.0));
	const cv::Mat camera = cameraFrame;
	cameraFrame = cv::Mat();
	EXPECT_NO_THROW(compose());
	EXPECT_FALSE(shown("normal"));
	EXPECT_TRUE(pictures.camera.empty());

	cameraFrame = camera;
	board.setHomography(cv::Mat::zeros(3, 3, CV_64F));
	compose();
	EXPECT_TRUE(untouched());
}

TEST(BodyOutline, TenPointsPerCircleAboutTheOriginNewestFixtureFirstNoEdges)
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
	circle.m_p.Set(7.0f, 7.0f);  // ignored: circles are taken about the body origin
	body->CreateFixture(&circle, 1.0f);

	const std::vector<b2Vec2> outline = bodyOutline(*body);
	ASSERT_EQ(outline.size(), 14u);
	for (int k = 0; k < 10; ++k)
	{
		const double a = k * 2.0 * CV_PI / 10.0 + CV_PI / 2;  // turned with the body
		EXPECT_NEAR(outline[k].x, 3.0 + 2.0 * std::cos(a), 1e-5);
		EXPECT_NEAR(outline[k].y, 4.0 + 2.0 * std::sin(a), 1e-5);
	}
	EXPECT_NEAR(outline[10].x, 3.5f, 1e-5f);  // box vertex (-1, -0.5), turned
	EXPECT_NEAR(outline[10].y, 3.0f, 1e-5f);
}

TEST(BoardPointToCamera, TruncatesTowardZeroAndHoldsPointsAtInfinity)
{
	EXPECT_EQ(boardPointToCamera(cv::Mat::eye(3, 3, CV_64F), -1.7f, 2.9f), cv::Point(-1, 2));
	const cv::Mat perspective = (cv::Mat_<double>(3, 3) << 1, 0, 0, 0, 1, 0, 0.01, 0, 1);
	EXPECT_EQ(boardPointToCamera(perspective, 100.0f, 50.0f), cv::Point(50, 25));
	const cv::Point far = boardPointToCamera(perspective, -100.0f, 50.0f);  // w = 0
	EXPECT_EQ(std::abs(far.x), 1 << 24);
	EXPECT_EQ(std::abs(far.y), 1 << 24);
}

/// The projection is computed by hand; OpenCV's matrix product is the
/// reference, pixel for pixel, over homographies like the demo's and wilder ones.
TEST(BoardPointToCamera, GivesThePixelsOfOpenCVsMatrixProduct)
{
	cv::RNG rng(31);
	for (int m = 0; m < 50; ++m)
	{
		cv::Mat boardToCamera(3, 3, CV_64F);
		rng.fill(boardToCamera, cv::RNG::UNIFORM, -2.0, 2.0);
		boardToCamera.at<double>(2, 0) *= 1e-3;
		boardToCamera.at<double>(2, 1) *= 1e-3;
		boardToCamera.at<double>(2, 2) = m % 5 == 0 ? 0.0 : 1.0;
		for (int i = 0; i < 200; ++i)
		{
			const float x = float(rng.uniform(-700.0, 700.0));
			const float y = float(rng.uniform(-500.0, 500.0));
			const cv::Mat projected = boardToCamera * (cv::Mat_<double>(3, 1) << x, y, 1.0);
			const double w = projected.at<double>(2);
			const auto pixel = [](double v) {
				return int(std::abs(v) < 16777216.0 ? std::trunc(v) : v > 0.0 ? 16777216.0 : -16777216.0);
			};
			ASSERT_EQ(boardPointToCamera(boardToCamera, x, y),
				cv::Point(pixel(projected.at<double>(0) / w), pixel(projected.at<double>(1) / w)))
				<< boardToCamera << " " << x << ", " << y;
		}
	}
}

/// Pass after pass as the main loop composes them, the world stepping between.
TEST_F(CameraViewOverlayTest, BallCircleGoesAtOnceSensorCircleOnceABallFallsThrough)
{
	cv::circle(board.colour, cv::Point(300, 50), 10, cv::Scalar::all(0));   // the ball's ring
	cv::circle(board.colour, cv::Point(300, 100), 10, cv::Scalar::all(0));  // the sensor's
	balls.push_back(circleRecord(300.0, 50.0, 10.0, createBall(scene, 20.0f, 15.0f, 1.0f)));
	b2Body* sensor = createSensorCircle(scene, 20.0f, 10.0f, 1.0f);
	sensors.push_back(circleRecord(300.0, 100.0, 10.0, sensor));
	scene.world()->SetContactListener(&scene.contactListener());
	const auto inkNear = [&](int row) {
		const cv::Mat warped = display.lastImages().at("warped");
		return patchOf(warped.rowRange(row - 15, row + 15), cv::Vec3b(0, 0, 0)).second;
	};

	compose();
	EXPECT_EQ(inkNear(50), 0);
	EXPECT_GT(inkNear(100), 0);
	EXPECT_EQ(display.lastImages().at("normal").at<cv::Vec3b>(480 - 50, 640 - 300), bodyColour);
	for (int pass = 0; pass < 60; ++pass)
	{
		scene.world()->Step(1.0f / 60.0f, 6, 2);
		scene.markOutOfBounds();
		scene.flush();
		compose();
	}
	EXPECT_TRUE(bodyInfoOf(sensor)->touched);
	EXPECT_EQ(inkNear(100), 0);
	EXPECT_EQ(inkNear(50), 0);  // the ball is long gone; its circle stays erased
}

}  // namespace
