#include "TestSupport.h"

#include "physics/BodyFactories.h"
#include "markers/ARMultiMarker.h"
#include "scenes/SyntheticBoardCamera.h"

#include <box2d/b2_body.h>
#include <box2d/b2_circle_shape.h>
#include <box2d/b2_edge_shape.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <box2d/b2_world.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

// Frames no camera should deliver, and some a camera does: none may end the
// program or leave a body that is not a number in the world, and a good board
// seen afterwards is still turned into its game.

namespace
{

const float notANumber = std::numeric_limits<float>::quiet_NaN();
const float inf = std::numeric_limits<float>::infinity();

bool finite(const b2Vec2& v)
{
	return std::isfinite(v.x) && std::isfinite(v.y);
}

/// Every body's position and every fixture's shape are finite numbers.
void expectWorldFinite(const PhysicsScene& scene)
{
	int bodies = 0;
	for (const b2Body* body = scene.world()->GetBodyList(); body != nullptr; body = body->GetNext())
	{
		++bodies;
		ASSERT_TRUE(finite(body->GetPosition()) && std::isfinite(body->GetAngle())) << "body " << bodies;
		ASSERT_TRUE(finite(body->GetLinearVelocity())) << "body " << bodies;
		for (const b2Fixture* fixture = body->GetFixtureList(); fixture != nullptr; fixture = fixture->GetNext())
		{
			ASSERT_TRUE(std::isfinite(fixture->GetShape()->m_radius)) << "body " << bodies;
			if (const auto* edge = dynamic_cast<const b2EdgeShape*>(fixture->GetShape()))
			{
				ASSERT_TRUE(finite(edge->m_vertex1) && finite(edge->m_vertex2)) << "body " << bodies;
			}
			if (const auto* box = dynamic_cast<const b2PolygonShape*>(fixture->GetShape()))
			{
				ASSERT_TRUE(finite(box->m_centroid)) << "body " << bodies;
			}
		}
	}
}

cv::Mat boardPhoto(const BoardDrawing& drawing, const CameraPose& pose)
{
	std::string error;
	const auto camera = SyntheticBoardCamera::fromFiles(
		"Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", drawing, pose, error);
	EXPECT_TRUE(camera) << error;
	return camera ? camera->picture().clone() : cv::Mat();
}

/// The demo's drawing seen from above: a ball's ring, strokes, a sensor and the portal.
cv::Mat goodBoard()
{
	static const cv::Mat picture = boardPhoto(demoDrawing(), viewOfBoard(450, 0, 0));
	return picture;
}

/// A hundred codes of the board's own dictionary, each of the first fifty
/// twice, in a ten by ten grid: the board's corner codes among them, but in
/// no arrangement the board has.
cv::Mat hundredMarkers()
{
	cv::Mat frame(480, 640, CV_8UC3, cv::Scalar::all(255));
	for (int i = 0; i < 100; ++i)
	{
		cv::Mat cells = markerCells(MarkerPattern{markerDictionaryByName("4X4_50"), i % 50});
		cv::Mat code;
		cv::resize(cells, code, cv::Size(36, 36), 0, 0, cv::INTER_NEAREST);
		cv::cvtColor(code, code, cv::COLOR_GRAY2BGR);
		code.copyTo(frame(cv::Rect(14 + (i % 10) * 62, 4 + (i / 10) * 47, 36, 36)));
	}
	return frame;
}

/// The program over a camera whose picture each test changes between passes.
struct BadFrames : ::testing::Test
{
	void SetUp() override
	{
		auto still = std::make_unique<StillFrameSource>(goodBoard());
		camera = still.get();
		program = std::make_unique<TestProgram>(std::move(still));
		program->run(20);
		ASSERT_EQ(program->app->scene().countKind(Solid), 1) << "the good board did not become its game";
	}

	/// Show `picture` long enough for a rescan to be tried on it.
	void show(const cv::Mat& picture)
	{
		camera->picture = picture;
		program->run(20);
		expectWorldFinite(program->app->scene());
	}

	/// Back to the good board: it is scanned again and its game goes on.
	void expectGameFromGoodBoardAgain()
	{
		const size_t before = program->passes.size();
		camera->picture = goodBoard();
		program->run(20);
		expectWorldFinite(program->app->scene());
		bool scanned = false;
		for (size_t i = before; i < program->passes.size(); ++i)
		{
			scanned = scanned || scanFound(program->passes[i]);
		}
		EXPECT_TRUE(scanned) << "the good board was not scanned again";
		EXPECT_GE(program->app->scene().countKind(Wall), 1);
		EXPECT_EQ(program->app->scene().countKind(Portal), 1);
	}

	StillFrameSource* camera = nullptr;
	std::unique_ptr<TestProgram> program;
};

}  // namespace

TEST_F(BadFrames, EmptyBlackWhiteAndNoisyFramesScanNothingAndKeepTheGame)
{
	cv::Mat noise(480, 640, CV_8UC3);
	cv::RNG(7).fill(noise, cv::RNG::UNIFORM, 0, 256);
	for (const cv::Mat& picture : {cv::Mat(), cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(0)),
			 cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(255)), noise})
	{
		show(picture);
		EXPECT_TRUE(program->passes.back().eventsOf("newMap").empty());
	}
	expectGameFromGoodBoardAgain();
}

TEST_F(BadFrames, FramesOfAnotherSizeOrTypeMidRunAreRefusedNotFatal)
{
	const cv::Mat board = goodBoard();
	cv::Mat half, grey, bgra, wide, deep, floats;
	cv::resize(board, half, cv::Size(320, 240));
	cv::cvtColor(board, grey, cv::COLOR_BGR2GRAY);
	cv::cvtColor(board, bgra, cv::COLOR_BGR2BGRA);
	cv::resize(board, wide, cv::Size(1280, 480));
	board.convertTo(deep, CV_16UC3, 256.0);
	board.convertTo(floats, CV_32FC3, 1.0 / 255.0);
	for (const cv::Mat& picture : {half, grey, bgra, wide, deep, floats, cv::Mat(1, 1, CV_8UC3)})
	{
		show(picture);
		EXPECT_TRUE(program->passes.back().eventsOf("newMap").empty());
	}
	expectGameFromGoodBoardAgain();
}

TEST_F(BadFrames, BoardSeenAlmostEdgeOnOrAmongAHundredMarkersMakesNoBodyOutOfNothing)
{
	for (double tilt : {75.0, 82.0, 87.0})
	{
		show(boardPhoto(demoDrawing(), viewOfBoard(450, tilt, 0)));
	}
	show(hundredMarkers());
	expectGameFromGoodBoardAgain();
}

TEST(BodyFactories, RefuseAPositionOrSizeThatIsNotAFiniteNumber)
{
	PhysicsScene scene;
	scene.createWorld(b2Vec2(0.0f, -10.0f));
	EXPECT_EQ(createBall(scene, notANumber, 1.0f, 1.0f), nullptr);
	EXPECT_EQ(createBall(scene, 1.0f, 1.0f, inf), nullptr);
	EXPECT_EQ(createBall(scene, 1.0f, 1.0f, 0.0f), nullptr);
	EXPECT_EQ(createSensorCircle(scene, 1.0f, -inf, 1.0f), nullptr);
	createPortal(scene, 1.0f, 1.0f, notANumber, 1.0f);
	EXPECT_EQ(createWallChain({{0.0f, 0.0f}, {1.0f, notANumber}, {2.0f, 2.0f}}, scene), nullptr);
	EXPECT_EQ(scene.getBodies().size(), 0u);
	EXPECT_NE(createBall(scene, 1.0f, 1.0f, 1.0f), nullptr);
	EXPECT_EQ(scene.getBodies().size(), 1u);
}

namespace
{

/// The demo drawing buried under 3000 random scribbles of four segments.
BoardDrawing scribbledDrawing()
{
	BoardDrawing scribbles = demoDrawing();
	cv::RNG rng(42);
	for (int i = 0; i < 3000; ++i)
	{
		InkStroke stroke;
		cv::Point2f at(rng.uniform(160.0f, 400.0f), rng.uniform(160.0f, 320.0f));
		for (int j = 0; j < 4; ++j)
		{
			stroke.points.push_back(at);
			at += cv::Point2f(rng.uniform(-25.0f, 25.0f), rng.uniform(-25.0f, 25.0f));
		}
		stroke.width = float(rng.uniform(1, 5));
		scribbles.strokes.push_back(stroke);
	}
	return scribbles;
}

/// The drawing area filled with short separate dashes: every one its own
/// contour and its own wall, the most walls a board can hold.
BoardDrawing dashedDrawing()
{
	BoardDrawing dashes;
	for (float y = 160.0f; y < 320.0f; y += 9.0f)
	{
		for (float x = 160.0f; x < 400.0f; x += 9.0f)
		{
			dashes.strokes.push_back(InkStroke{{{x, y}, {x + 4.0f, y + 3.0f}}, Ink::Black, 2.0f});
		}
	}
	return dashes;
}

}  // namespace

TEST(BadDrawing, ScribbledOrDashedBoardsAreRescannedWithFiniteBodies)
{
	for (const auto& [name, drawing] : {std::make_pair("3000 scribbled strokes", scribbledDrawing()),
			 std::make_pair("a board of dashes", dashedDrawing())})
	{
		SCOPED_TRACE(name);
		auto still = std::make_unique<StillFrameSource>(boardPhoto(drawing, viewOfBoard(450, 0, 0)));
		TestProgram program(std::move(still));
		program.run(15);
		const auto started = std::chrono::steady_clock::now();
		program.run(1);
		const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
		std::printf("rescan of %s: %.3f s, %d walls\n", name, seconds, program.app->scene().countKind(Wall));
		ASSERT_EQ(program.scanPasses(), std::vector<int>{16});
		expectWorldFinite(program.app->scene());
		EXPECT_GE(program.app->scene().countKind(Wall), 1);
		program.run(60);
		expectWorldFinite(program.app->scene());
	}
}
