#include "ScratchFiles.h"
#include "TestSupport.h"

#include "physics/BodyFactories.h"
#include "render/GameCanvas.h"

#include <box2d/b2_body.h>
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

namespace
{

/// A camera that sees a change in every frame.
class FlickeringCamera : public FrameSource
{
public:
	bool isOpened() const override { return true; }
	bool read(cv::Mat& frame) override
	{
		bright = !bright;
		frame = cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(bright ? 200 : 20));
		return true;
	}
	bool pacesItself() const override { return false; }
	cv::Size frameSize() const override { return cv::Size(640, 480); }
	std::string describe() const override { return "flickering"; }

private:
	bool bright = false;
};

TEST(MainLoop, StillSceneFirstAttemptsARescanInPassSixteen)
{
	auto program = TestProgram::still();
	program->run(16);
	// The first pass is motion (no reference yet), then 15 still passes.
	EXPECT_EQ(program->passes[0].still, 0);
	EXPECT_EQ(program->passes[14].still, 14);
	EXPECT_EQ(program->scanPasses(), std::vector<int>{16});
	// The scan failed, so the counter starts over and the next try is 15 passes later.
	EXPECT_EQ(program->passes[15].still, 0);
	program->run(15);
	EXPECT_EQ(program->scanPasses(), (std::vector<int>{16, 31}));
}

TEST(MainLoop, MotionInEveryPassNeverRescansButThePhysicsGoesOn)
{
	TestProgram program(std::make_unique<FlickeringCamera>());
	b2Body* ball = createBall(program.app->scene(), 0.0f, 10.0f, 1.0f);
	program.run(40);
	EXPECT_TRUE(program.scanPasses().empty());
	for (const PassRecord& record : program.passes)
	{
		EXPECT_EQ(record.still, 0);
	}
	EXPECT_LT(ball->GetPosition().y, 8.0f);  // about 2.2 m in 40 passes
}

TEST(MainLoop, AFailedMarkerDetectionEndsTheRunWithStatusOneAfterItsPass)
{
	auto program = TestProgram::still();
	ARParam noCamera = {};
	program->app->scanner().markerTracker().arInitCparam(&noCamera);
	testing::internal::CaptureStderr();
	EXPECT_EQ(program->app->runMainLoop(100), 1);
	EXPECT_NE(testing::internal::GetCapturedStderr().find("marker detection failed"), std::string::npos);
	// The pass of the scan is completed and recorded, and no other follows.
	ASSERT_EQ(program->passes.size(), 16u);
	EXPECT_EQ(program->scanPasses(), std::vector<int>{16});
}

/// A camera whose read throws, as a driver might, from pass `throwsIn` on.
class ThrowingCamera : public StillFrameSource
{
public:
	explicit ThrowingCamera(int throwsIn)
		: StillFrameSource(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128))), throwsIn(throwsIn)
	{
	}
	bool read(cv::Mat& frame) override
	{
		if (++reads >= throwsIn)
		{
			throw std::runtime_error("the camera driver fell over");
		}
		return StillFrameSource::read(frame);
	}

private:
	const int throwsIn;
	int reads = 0;
};

/// Whatever escapes a pass ends the run with one line and status 1, the
/// passes before it traced and the trace closed.
TEST(MainLoop, WhatAPassThrowsEndsTheRunWithStatusOneAndOneLine)
{
	TestProgram program(std::make_unique<ThrowingCamera>(5));
	const std::string trace = scratchPath("thrown.jsonl");
	ASSERT_TRUE(program.app->trace().openFile(trace));
	testing::internal::CaptureStderr();
	EXPECT_EQ(program.app->runMainLoop(100), 1);
	EXPECT_NE(testing::internal::GetCapturedStderr().find("the run stops in pass 5: the camera driver fell over\n"),
		std::string::npos);
	EXPECT_EQ(program.passes.size(), 4u);
	std::ifstream written(trace);
	int lines = 0;
	for (std::string line; std::getline(written, line);)
	{
		++lines;
	}
	EXPECT_EQ(lines, 4);
}

TEST(MainLoop, PauseKeyTogglesScanningAndTwiceRestoresIt)
{
	auto program = TestProgram::still();
	program->display->pushKey('p');
	program->run(1);
	EXPECT_TRUE(program->app->scanner().scanPaused());
	// While paused, scans are still attempted every 15 still passes and fail.
	program->run(30);
	EXPECT_EQ(program->scanPasses(), (std::vector<int>{16, 31}));
	program->display->pushKey('p' | 0x100000);  // only the low eight bits count
	program->run(1);
	EXPECT_FALSE(program->app->scanner().scanPaused());
}

TEST(MainLoop, EscapeEndsTheRunInThePassItIsRead)
{
	auto program = TestProgram::still();
	program->run(3);
	program->display->pushKey(27);
	EXPECT_EQ(program->app->runMainLoop(0), 0);
	EXPECT_EQ(program->app->passCount(), 4);
	EXPECT_EQ(program->passes.back().pass, 4);  // that pass is still traced
}

/// The close button of "game" ends the run as ESC does; another window may be
/// closed, and its next picture opens it again.
TEST(MainLoop, ClosingTheGameWindowEndsTheRunClosingAnotherDoesNot)
{
	auto program = TestProgram::still();
	program->run(2);
	program->display->pushClose("normal");
	program->run(1);
	EXPECT_TRUE(program->display->isClosed("normal"));
	program->run(1);
	EXPECT_FALSE(program->display->isClosed("normal"));
	program->display->pushClose("game");
	EXPECT_EQ(program->app->runMainLoop(0), 0);
	EXPECT_EQ(program->app->passCount(), 5);
	EXPECT_EQ(program->passes.back().pass, 5);
}

TEST(MainLoop, PassLimitEndsTheRun)
{
	auto program = TestProgram::still();
	program->display->pushKey('x');  // any other key does nothing
	EXPECT_EQ(program->app->runMainLoop(25), 0);
	EXPECT_EQ(program->app->passCount(), 25);
	EXPECT_EQ(program->passes.size(), 25u);
}

TEST(MainLoop, GameWindowShowsTheWorldOfThisPass)
{
	auto program = TestProgram::still();
	program->run(1);
	const cv::Mat empty = program->display->lastImages().at("game");
	EXPECT_EQ(empty.size(), cv::Size(640, 480));
	EXPECT_EQ(cv::countNonZero(empty.reshape(1)), 0);

	// A body made between passes (as a key or the mouse would) is drawn from the next pass on.
	createBall(program->app->scene(), 5.0f, 5.0f, 1.0f);
	program->run(1);
	const cv::Mat withBall = program->display->lastImages().at("game");
	EXPECT_GT(cv::countNonZero(withBall.reshape(1)), 0);
}

TEST(MainLoop, GameViewShowsFixturesOnlyNotContactPairs)
{
	auto program = TestProgram::still();
	PhysicsScene& scene = program->app->scene();
	createWallChain({b2Vec2(0.0f, 0.0f), b2Vec2(20.0f, 0.0f)}, scene);
	createBall(scene, 10.0f, 1.0f, 1.0f);
	createBall(scene, 10.2f, 3.0f, 1.0f);
	program->run(30);
	ASSERT_GT(scene.world()->GetContactCount(), 0);
	cv::Mat pairColour;
	cv::inRange(program->display->lastImages().at("game"), cv::Scalar(229, 229, 77), cv::Scalar(229, 229, 77),
		pairColour);
	EXPECT_EQ(cv::countNonZero(pairColour), 0);
}

TEST(MainLoop, BodyLeavingThePlayAreaIsDrawnOnceMoreThenGone)
{
	auto program = TestProgram::still();
	Application& app = *program->app;
	PlayArea lowCeiling;
	lowCeiling.maxY = 5.0;  // makes the exit quick
	app.scene().setPlayArea(lowCeiling);
	b2Body* ball = createBall(app.scene(), 5.0f, 4.9f, 1.0f);
	ball->SetLinearVelocity(b2Vec2(0.0f, 30.0f));
	const auto lit = [&] { return cv::countNonZero(program->display->lastImages().at("game").reshape(1)); };

	program->run(1);  // the step takes it above the ceiling
	EXPECT_EQ(app.scene().countKind(Solid), 0);
	EXPECT_GT(lit(), 0);
	program->run(1);
	EXPECT_EQ(lit(), 0);
}

TEST(MainLoop, TraceCountsBodiesByKindAndListsMovingPositions)
{
	auto program = TestProgram::still();
	PhysicsScene& scene = program->app->scene();
	createBall(scene, 1.0f, 2.0f, 1.0f);
	createWallChain({b2Vec2(0.0f, -20.0f), b2Vec2(10.0f, -20.0f)}, scene);
	createSensorCircle(scene, 20.0f, 0.0f, 1.0f);
	createPortal(scene, 30.0f, 0.0f, 1.0f, 1.0f);
	program->run(1);
	const PassRecord& record = program->passes.back();
	EXPECT_EQ(record.pass, 1);
	EXPECT_EQ(record.bodies[0], 1);  // solid
	EXPECT_EQ(record.bodies[1], 1);  // wall
	EXPECT_EQ(record.bodies[2], 0);  // debris
	EXPECT_EQ(record.bodies[3], 1);  // portal
	EXPECT_EQ(record.bodies[4], 1);  // sensor
	ASSERT_EQ(record.moving.size(), 1u);
	EXPECT_FLOAT_EQ(record.moving[0].x, 1.0f);
	EXPECT_LT(record.moving[0].y, 2.0f);
}

TEST(Trace, JsonLineHasTheFixedShape)
{
	PassRecord record;
	record.pass = 16;
	record.still = 15;
	record.events.push_back(Event("scan").set("ok", false));
	record.events.push_back(Event("ball").set("x", 5.0).set("y", -2.5));
	record.bodies[0] = 2;
	record.bodies[4] = 1;
	record.moving = {b2Vec2(1.5f, -3.0f), b2Vec2(0.0f, 20.0f)};
	EXPECT_EQ(Trace::toJson(record),
		"{\"pass\": 16, \"still\": 15, \"events\": [{\"type\": \"scan\", \"ok\": false}, "
		"{\"type\": \"ball\", \"x\": 5, \"y\": -2.5}], "
		"\"bodies\": {\"solid\": 2, \"wall\": 0, \"debris\": 0, \"portal\": 0, \"sensor\": 1}, "
		"\"moving\": [[1.5, -3], [0, 20]]}");
}

TEST(Trace, NonFiniteNumbersBecomeNullAndListsKeepTheirOrder)
{
	Event event("scan");
	event.set("homography", std::vector<double>{1.0, std::nan(""), 0.25})
		.set("portalCorners", std::vector<cv::Point2f>{{1.0f, 2.0f}, {3.0f, 4.0f}});
	PassRecord record;
	record.events.push_back(event);
	const std::string json = Trace::toJson(record);
	EXPECT_NE(json.find("\"homography\": [1, null, 0.25]"), std::string::npos) << json;
	EXPECT_NE(json.find("\"portalCorners\": [[1, 2], [3, 4]]"), std::string::npos) << json;
	EXPECT_DOUBLE_EQ(Event("ball").set("x", 5.25).number("x"), 5.25);
	EXPECT_TRUE(std::isnan(event.number("missing")));
}

TEST(Trace, WithoutSinksNothingIsKept)
{
	Trace trace;
	EXPECT_FALSE(trace.listening());
	trace.report(Event("scan"));
	PhysicsScene scene;
	scene.createWorld(b2Vec2(0.0f, -10.0f));
	std::vector<PassRecord> seen;
	trace.addSink([&seen](const PassRecord& r) { seen.push_back(r); });
	trace.endPass(1, 0, scene);
	ASSERT_EQ(seen.size(), 1u);
	EXPECT_TRUE(seen[0].events.empty());  // added before anyone listened
}

}  // namespace
