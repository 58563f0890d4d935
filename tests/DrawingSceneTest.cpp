#include "TestSupport.h"

#include "physics/BodyInfo.h"
#include "scenes/SyntheticBoardCamera.h"

#include <box2d/b2_body.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

// The whole drawing pipeline through a camera: the synthetic camera
// photographs a drawn board, the main loop's rescan finds the board and turns
// the drawing into bodies.

namespace
{

/// The drawing area is about x 155 to 485, y 155 to 325 in board pixels. The
/// portal card covers its right end from x 377 (its black square from about
/// x 440, its blanking from x 408): the drawing stays left of the card.
/// Ring A's ball falls through the yellow ring below it; ring B's lands on the
/// long stroke. Rings have the templates' size.
const cv::Point2f ringA(190.0f, 190.0f);
const cv::Point2f ringB(280.0f, 190.0f);
const cv::Point2f yellowRing(190.0f, 285.0f);
const std::vector<std::vector<cv::Point2f>> strokes = {
	{{320.0f, 175.0f}, {370.0f, 190.0f}}, {{260.0f, 255.0f}, {370.0f, 285.0f}}, {{235.0f, 250.0f}, {235.0f, 320.0f}}};
constexpr float ringRadiusPx = 28.0f;

BoardDrawing sceneDrawing(cv::Point2f firstRing = ringA)
{
	BoardDrawing drawing;
	drawing.circles.push_back({firstRing, ringRadiusPx, Ink::Black, false, 4.0f});
	drawing.circles.push_back({ringB, ringRadiusPx, Ink::Black, false, 4.0f});
	drawing.circles.push_back({yellowRing, ringRadiusPx, Ink::Yellow, false, 4.0f});
	for (const auto& stroke : strokes)
	{
		drawing.strokes.push_back({stroke, Ink::Black, 4.0f});
	}
	drawing.hasPortal = true;
	drawing.portal = {{500.0f, 240.0f}, 0.0f};
	return drawing;
}

/// A single long stroke and one ring, nowhere near the scene's shapes.
BoardDrawing otherDrawing()
{
	BoardDrawing drawing;
	drawing.strokes.push_back({{{160.0f, 320.0f}, {370.0f, 250.0f}}, Ink::Black, 4.0f});
	drawing.circles.push_back({{330.0f, 190.0f}, ringRadiusPx, Ink::Black, false, 4.0f});
	drawing.hasPortal = true;
	drawing.portal = {{500.0f, 240.0f}, 0.0f};
	return drawing;
}

const CameraPose straightDown = viewOfBoard(450, 0, 0);

/// One photograph of a drawn board and what a perfect tracker would say about it.
struct Photo
{
	cv::Mat picture;
	BoardTruth truth;
};

Photo photograph(const BoardDrawing& drawing, const CameraPose& pose)
{
	std::string error;
	const auto camera = SyntheticBoardCamera::fromFiles(
		"Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", drawing, pose, error);
	EXPECT_TRUE(camera) << error;
	return camera ? Photo{camera->picture().clone(), camera->truth()} : Photo{};
}

/// The program over a camera whose picture the test changes between passes.
struct CameraScene
{
	explicit CameraScene(const Photo& photo) : photo(photo)
	{
		auto still = std::make_unique<StillFrameSource>(photo.picture);
		camera = still.get();
		program = std::make_unique<TestProgram>(std::move(still));
	}

	/// Up to and including the first rescan.
	const PassRecord& firstRescan()
	{
		program->run(16);
		return program->passes.back();
	}

	/// Something passes in front of the camera for a pass, then it sees
	/// `picture` and stays still until the rescan 15 passes later. Returns the
	/// record of that pass; `printed` gets what the rescan wrote.
	const PassRecord& lookAgain(const cv::Mat& picture)
	{
		camera->picture = cv::Mat(picture.size(), picture.type(), cv::Scalar::all(60));
		program->run(1);
		camera->picture = picture;
		program->run(15);
		::testing::internal::CaptureStdout();
		program->run(1);
		printed = ::testing::internal::GetCapturedStdout();
		return program->passes.back();
	}

	Application& app() { return *program->app; }
	const cv::Mat& shown(const std::string& window) { return program->display->lastImages().at(window); }

	Photo photo;
	StillFrameSource* camera = nullptr;
	std::unique_ptr<TestProgram> program;
	std::string printed;
};

double distanceToSegment(cv::Point2f p, cv::Point2f a, cv::Point2f b)
{
	const cv::Point2f ab = b - a;
	const float t = std::max(0.0f, std::min(1.0f, (p - a).dot(ab) / ab.dot(ab)));
	return cv::norm(p - (a + t * ab));
}

/// How far the contour strays from the drawn black ink: the strokes and the rings.
double farthestFromInk(const std::vector<cv::Point>& contour)
{
	double worst = 0.0;
	for (const cv::Point& point : contour)
	{
		const cv::Point2f p(point);
		double nearest = std::min(
			std::abs(cv::norm(p - ringA) - ringRadiusPx), std::abs(cv::norm(p - ringB) - ringRadiusPx));
		for (const auto& stroke : strokes)
		{
			nearest = std::min(nearest, distanceToSegment(p, stroke[0], stroke[1]));
		}
		worst = std::max(worst, nearest);
	}
	return worst;
}

double countOf(const PassRecord& record, const char* type)
{
	return double(record.eventsOf(type).size());
}

/// Board pixel to camera pixel through the scan's homography.
cv::Point toCamera(const cv::Mat& homography, cv::Point2f boardPixel)
{
	std::vector<cv::Point2f> out;
	cv::perspectiveTransform(std::vector<cv::Point2f>{boardPixel}, out, homography.inv());
	return cv::Point(cvRound(out[0].x), cvRound(out[0].y));
}

/// Mean grey level of an image along a drawn ring (board pixels), each point
/// taken to the image by `place`.
template <typename Place>
double meanAlongRing(const cv::Mat& image, cv::Point2f centre, Place place)
{
	cv::Mat grey;
	cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
	double sum = 0.0;
	constexpr int samples = 36;
	for (int k = 0; k < samples; ++k)
	{
		const double angle = k * 2.0 * CV_PI / samples;
		const cv::Point2f p(
			centre.x + ringRadiusPx * float(std::cos(angle)), centre.y + ringRadiusPx * float(std::sin(angle)));
		sum += grey.at<uchar>(place(p));
	}
	return sum / samples;
}

double meanAlongBoardRing(const cv::Mat& board, cv::Point2f centre)
{
	return meanAlongRing(board, centre, [](cv::Point2f p) { return cv::Point(cvRound(p.x), cvRound(p.y)); });
}

struct PoseCase
{
	const char* name;
	double distance, tilt, turn;
	cv::Point2d target;
};

class DrawingSceneAtPose : public ::testing::TestWithParam<PoseCase>
{
};

TEST_P(DrawingSceneAtPose, RingsStrokesAndCardBecomeBallsSensorWallsAndPortal)
{
	const PoseCase& pose = GetParam();
	CameraScene scene(photograph(sceneDrawing(), viewOfBoard(pose.distance, pose.tilt, pose.turn, pose.target)));
	const PassRecord& record = scene.firstRescan();
	Application& app = scene.app();
	ASSERT_EQ(scene.program->scanPasses(), std::vector<int>{16});
	ASSERT_TRUE(scanFound(record));
	EXPECT_EQ(countOf(record, "newMap"), 1.0);

	// Two balls, each at its ring's centre.
	ASSERT_EQ(countOf(record, "ball"), 2.0);
	ASSERT_EQ(app.analysis().ballRecords().size(), 2u);
	EXPECT_EQ(app.scene().countKind(Solid), 2);
	for (const cv::Point2f ring : {ringA, ringB})
	{
		const b2Vec2 expected = boardMapping.toWorld(ring.x, ring.y);
		double nearest = 1e9;
		for (const Event* ball : record.eventsOf("ball"))
		{
			nearest = std::min(nearest, std::hypot(ball->number("x") - expected.x, ball->number("y") - expected.y));
		}
		EXPECT_LT(nearest, 1.0) << "ring at " << ring;
	}

	ASSERT_EQ(countOf(record, "sensor"), 1.0);
	const b2Vec2 sensorAt = boardMapping.toWorld(yellowRing.x, yellowRing.y);
	EXPECT_LT(std::hypot(record.eventsOf("sensor")[0]->number("x") - sensorAt.x,
				  record.eventsOf("sensor")[0]->number("y") - sensorAt.y),
		1.0);
	EXPECT_EQ(app.scene().countKind(SensorCircle), 1);

	// Walls for the three strokes only. The rings' second borders are kept as
	// shapes without bodies; nothing comes from the card or the board's markers.
	ASSERT_EQ(record.eventsOf("walls").size(), 1u);
	EXPECT_EQ(record.eventsOf("walls")[0]->number("count"), 3.0);
	EXPECT_EQ(app.scene().countKind(Wall), 3);
	for (const ShapeRecord& wall : app.analysis().wallRecords())
	{
		EXPECT_LT(farthestFromInk(wall.contour), 4.0) << "a wall away from the drawn ink";
	}
	for (const auto& stroke : strokes)
	{
		bool found = false;
		for (const ShapeRecord& wall : app.analysis().wallRecords())
		{
			const cv::Rect box = cv::boundingRect(wall.contour);
			found = found || (box.contains(cv::Point(stroke[0] + stroke[1]) / 2));
		}
		EXPECT_TRUE(found) << "no wall along the stroke from " << stroke[0];
	}

	// One portal, whose box covers the card. The vertical margin shrinks the
	// box by 0.2 and the centre is shifted by 0.2, so the top edge may fall
	// short by 0.4.
	ASSERT_EQ(countOf(record, "portal"), 2.0);
	const Event portal = *record.eventsOf("portal").back();
	for (const cv::Point2f& corner : scene.photo.truth.portalCorners)
	{
		const b2Vec2 p = boardMapping.toWorld(corner.x, corner.y);
		EXPECT_LE(std::abs(p.x - portal.number("x")), portal.number("hx") + 0.3) << corner;
		EXPECT_LE(std::abs(p.y - portal.number("y")), portal.number("hy") + 0.6) << corner;
	}
	scene.program->run(1);  // the first analysis's portal goes in the next flush
	EXPECT_EQ(app.scene().countKind(Portal), 1);
}

INSTANTIATE_TEST_SUITE_P(Poses, DrawingSceneAtPose,
	::testing::Values(
		PoseCase{"straightDown", 450, 0, 0, {}}, PoseCase{"tiltedAndTurned", 560, 25, -40, {0, -20}}),
	[](const auto& info) { return std::string(info.param.name); });

TEST(DrawingScene, RingRedrawnTwentyPixelsAwayIsASecondBallTenPixelsAwayIsTheSame)
{
	// Kept balls are matched where their rings were drawn: a ring whose
	// centroid is more than 15 pixels from every kept one is a new circle.
	for (const float shift : {20.0f, 10.0f})
	{
		CameraScene scene(photograph(sceneDrawing(), straightDown));
		scene.firstRescan();
		const PassRecord& again = scene.lookAgain(
			photograph(sceneDrawing(ringA + cv::Point2f(shift, 0.0f)), straightDown).picture);
		EXPECT_EQ(countOf(again, "newMap"), 0.0) << shift;
		EXPECT_EQ(countOf(again, "ball"), shift > 15.0f ? 1.0 : 0.0) << shift;
		EXPECT_EQ(scene.app().scene().countKind(Solid), shift > 15.0f ? 3 : 2) << shift;
	}
}

TEST(DrawingScene, SameDrawingSeenAgainIsTheSameMapAndKeepsItsBodies)
{
	CameraScene scene(photograph(sceneDrawing(), straightDown));
	scene.firstRescan();
	std::vector<b2Body*> balls;
	for (const ShapeRecord& record : scene.app().analysis().ballRecords())
	{
		balls.push_back(record.body);
	}
	// Twice: after the second rescan the kept rings are walls too, and the
	// drawing must still be recognised.
	for (int look = 0; look < 2; ++look)
	{
		const PassRecord& again = scene.lookAgain(scene.photo.picture);
		EXPECT_EQ(scene.printed, "");
		EXPECT_EQ(countOf(again, "newMap"), 0.0);
		EXPECT_EQ(countOf(again, "ball"), 0.0);
		EXPECT_EQ(countOf(again, "sensor"), 0.0);
		EXPECT_EQ(countOf(again, "portal"), 2.0);  // rebuilt at every rescan
		for (b2Body* ball : balls)
		{
			EXPECT_TRUE(scene.app().scene().isRegistered(ball));
		}
		EXPECT_EQ(scene.app().scene().countKind(SensorCircle), 1);
	}
}

TEST(DrawingScene, DifferentDrawingResetsEverything)
{
	CameraScene scene(photograph(sceneDrawing(), straightDown));
	scene.firstRescan();
	b2Body* oldBall = scene.app().analysis().ballRecords().at(0).body;
	const PassRecord& record = scene.lookAgain(photograph(otherDrawing(), straightDown).picture);
	EXPECT_EQ(scene.printed, "new map detected!\n");
	EXPECT_EQ(countOf(record, "newMap"), 1.0);
	scene.program->run(1);  // the flush of the next pass destroys the old bodies
	EXPECT_FALSE(scene.app().scene().isRegistered(oldBall));
	ASSERT_EQ(scene.app().analysis().ballRecords().size(), 1u);
	EXPECT_TRUE(scene.app().analysis().sensorCircleRecords().empty());
	EXPECT_EQ(scene.app().scene().countKind(SensorCircle), 0);
	EXPECT_EQ(scene.app().scene().countKind(Wall), 1);
	EXPECT_EQ(scene.app().scene().countKind(Portal), 1);
}

TEST(DrawingScene, HandOverTheBoardHoldsTheRescanBackUntilItIsGone)
{
	CameraScene scene(photograph(sceneDrawing(), straightDown));
	scene.firstRescan();
	const size_t walls = scene.app().analysis().wallRecords().size();

	// A skin-coloured patch over the drawing (about 9 % of the board) on a
	// different drawing: the scan succeeds, the analysis is held back.
	const Photo other = photograph(otherDrawing(), straightDown);
	cv::Mat withHand = other.picture.clone();
	std::vector<cv::Point> hand;
	for (const cv::Point2f corner :
		{cv::Point2f(170, 180), cv::Point2f(410, 180), cv::Point2f(410, 300), cv::Point2f(170, 300)})
	{
		hand.push_back(toCamera(scene.app().board().homography, corner));
	}
	cv::fillConvexPoly(withHand, hand, cv::Scalar(128, 150, 191));
	const PassRecord& held = scene.lookAgain(withHand);
	EXPECT_TRUE(scanFound(held));
	EXPECT_EQ(countOf(held, "hand"), 1.0);
	EXPECT_EQ(countOf(held, "newMap") + countOf(held, "walls"), 0.0);
	EXPECT_EQ(scene.printed, "");
	EXPECT_EQ(scene.app().stillness().count(), 0);
	// Retried after 15 further still passes, and held back again.
	scene.program->run(15);
	EXPECT_EQ(countOf(scene.program->passes.back(), "hand"), 1.0);
	EXPECT_EQ(scene.app().analysis().wallRecords().size(), walls);
	EXPECT_EQ(scene.app().analysis().ballRecords().size(), 2u);
	EXPECT_EQ(scene.app().scene().countKind(Wall), 3);

	const PassRecord& gone = scene.lookAgain(other.picture);
	EXPECT_EQ(countOf(gone, "hand"), 0.0);
	EXPECT_EQ(scene.printed, "new map detected!\n");
}

TEST(DrawingSceneOverlay, BallRingsVanishFromTheirRescanSensorRingOnceTouched)
{
	CameraScene scene(photograph(sceneDrawing(), straightDown));
	Application& app = scene.app();
	scene.program->run(15);
	const cv::Mat cameraBefore = scene.shown("normal").clone();
	scene.firstRescan();  // one pass more: the rescan
	const cv::Mat homography = app.board().homography;
	const auto inCamera = [&homography](cv::Point2f p) { return toCamera(homography, p); };
	// "normal" is the camera picture turned by half a turn.
	const auto inNormal = [&inCamera](cv::Point2f p) {
		const cv::Point q = inCamera(p);
		return cv::Point(640 - q.x, 480 - q.y);
	};

	// The rectified board before erasing, and what the windows show.
	const cv::Mat& board = app.board().colour;
	const cv::Mat& warped = scene.shown("warped");
	const cv::Mat& normal = scene.shown("normal");
	for (const cv::Point2f ring : {ringA, ringB})
	{
		EXPECT_LT(meanAlongBoardRing(board, ring), 120.0);
		EXPECT_GT(meanAlongBoardRing(warped, ring), 200.0);
		EXPECT_LT(meanAlongRing(cameraBefore, ring, inNormal), 120.0);
		EXPECT_GT(meanAlongRing(normal, ring, inNormal), 200.0);
		EXPECT_GT(meanAlongRing(app.views().camera, ring, inCamera), 200.0);
	}
	// The sensor ring is left as drawn until a ball touches it.
	const double sensorInBoard = meanAlongBoardRing(board, yellowRing);
	EXPECT_NEAR(meanAlongBoardRing(warped, yellowRing), sensorInBoard, 1.0);
	EXPECT_NEAR(meanAlongRing(normal, yellowRing, inNormal), meanAlongRing(cameraBefore, yellowRing, inNormal), 1.0);

	// Ring A's ball falls through the yellow ring, a fall of about 1.2 s.
	int pass = 0;
	while (scene.program->passes.back().eventsOf("touched").empty() && pass++ < 120)
	{
		EXPECT_NEAR(meanAlongBoardRing(scene.shown("warped"), yellowRing), sensorInBoard, 1.0);
		scene.program->run(1);
	}
	ASSERT_EQ(countOf(scene.program->passes.back(), "touched"), 1.0);
	EXPECT_GT(meanAlongBoardRing(scene.shown("warped"), yellowRing), sensorInBoard + 10.0);
	EXPECT_GT(meanAlongRing(scene.shown("normal"), yellowRing, inNormal), 200.0);
}

}  // namespace
