#include "PlayedScenes.h"

#include "ScratchFiles.h"
#include "app/CommandLine.h"
#include "platform/ChosenWindows.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>

// The players' window as the program fills it: the demo scores and is
// solved, the score's words on the heads-up line, the balls where the world
// has them; which windows go on the screen.

namespace
{

const Event* onlyEvent(const PassRecord& record, const std::string& type)
{
	const std::vector<const Event*> found = record.eventsOf(type);
	EXPECT_EQ(found.size(), 1u) << type << " in pass " << record.pass;
	return found.empty() ? nullptr : found[0];
}

}  // namespace

TEST(PlayWindow, TheDemoScoresIsSolvedAndPlaysAgainWithItsBestTimeKept)
{
	PlayedScene demo("Data/scenes/demo.scene");
	demo.run(188);
	const PlayStatus& status = demo.app->playWindow()->scene().status;
	EXPECT_EQ(status.sensorCount, 2);
	EXPECT_EQ(status.score, 0);
	EXPECT_FALSE(status.solved);

	// The first touch of a ball on each sensor scores; the last one solves,
	// in the world's seconds since the drawing was built (pass 51).
	demo.run(6);
	const Event* scored = onlyEvent(demo.pass(189), "scored");
	ASSERT_NE(scored, nullptr);
	EXPECT_EQ(scored->number("pass"), 189.0);
	EXPECT_EQ(scored->number("score"), 1.0);
	EXPECT_NEAR(scored->number("time"), (189 - 51) / 60.0, 1e-4);
	EXPECT_TRUE(demo.pass(189).eventsOf("solved").empty());
	const Event* solved = onlyEvent(demo.pass(194), "solved");
	ASSERT_NE(solved, nullptr);
	EXPECT_NEAR(solved->number("time"), (194 - 51) / 60.0, 1e-4);
	EXPECT_EQ(solved->number("best"), solved->number("time"));
	EXPECT_EQ(status.score, 2);
	EXPECT_EQ(status.sensorsLit, 2);
	EXPECT_TRUE(status.solved);
	EXPECT_NEAR(status.solvedAfter, solved->number("time"), 1e-6);
	EXPECT_TRUE(demo.app->score().solved());

	// The play view's balls are the trace's, the world's bodies as they stand.
	const std::vector<PlayBall>& balls = demo.app->playWindow()->scene().balls;
	ASSERT_EQ(balls.size(), 2u);
	for (std::size_t i = 0; i < balls.size(); ++i)
	{
		EXPECT_EQ(balls[i].position.x, demo.passes.back().moving[i].x);
		EXPECT_EQ(balls[i].position.y, demo.passes.back().moving[i].y);
	}

	// r: the same drawing again, the points and lit sensors gone, the best kept.
	demo.display->pushKey('r');
	demo.run(1);
	EXPECT_EQ(demo.passes.back().eventsOf("replay").size(), 1u);
	demo.run(1);
	EXPECT_EQ(status.score, 0);
	EXPECT_EQ(status.sensorsLit, 0);
	EXPECT_FALSE(status.solved);
	EXPECT_NEAR(status.bestTime, solved->number("time"), 1e-6);
}

TEST(PlayWindow, TheRedrawnDemoIsANewDrawingWithItsOwnGoal)
{
	PlayedScene demo("Data/scenes/demo.scene");
	demo.run(430);
	// The ramps drawn in pass 300 are built in pass 327 with one sensor.
	ASSERT_EQ(demo.pass(327).eventsOf("sensor").size(), 1u);
	const Event* solved = onlyEvent(demo.pass(420), "solved");
	ASSERT_NE(solved, nullptr);
	EXPECT_NEAR(solved->number("time"), (420 - 327) / 60.0, 1e-4);
	EXPECT_EQ(solved->number("best"), solved->number("time")) << "a new drawing has no best yet";
	EXPECT_EQ(demo.app->score().score(), 1);
	EXPECT_EQ(demo.app->playWindow()->scene().status.sensorCount, 1);
}

TEST(PlayWindow, ClosingPlayEndsTheRunAsClosingGameDoes)
{
	for (const std::string window : {"play", "game"})
	{
		const auto program = TestProgram::still();
		program->display->pushClose(window);
		EXPECT_FALSE(program->app->runPass()) << window;
	}
	// Without the players' window (for measuring what it costs), none is made.
	::testing::internal::CaptureStdout();
	auto headless = std::make_unique<HeadlessDisplay>();
	HeadlessDisplay& display = *headless;
	Application described(
		std::make_unique<StillFrameSource>(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128))), std::move(headless));
	described.setWindows(WindowSet::Described);
	described.start();
	::testing::internal::GetCapturedStdout();
	EXPECT_TRUE(described.runPass());
	EXPECT_EQ(described.playWindow(), nullptr);
	EXPECT_FALSE(display.hasWindow("play"));
	EXPECT_TRUE(display.hasWindow("game"));
}

/// --windows play puts the players' window alone on the screen; every
/// window is still drawn and kept, and only a window on the screen can be
/// clicked or closed.
TEST(PlayWindow, ChosenWindowsShowOnlyPlayButKeepEveryPicture)
{
	// A screen that takes a window it never showed for closed, as a window
	// system may: a window kept off it must not end the run.
	struct Screen : HeadlessDisplay
	{
		bool isClosed(const std::string& name) const override
		{
			return !hasWindow(name) || HeadlessDisplay::isClosed(name);
		}
	};
	auto inner = std::make_unique<Screen>();
	Screen& screen = *inner;
	ChosenWindows chosen(std::move(inner), {"play"});
	const cv::Mat picture(10, 20, CV_8UC3, cv::Scalar(1, 2, 3));
	for (const char* name : {"game", "normal", "play"})
	{
		chosen.createWindow(name);
		chosen.show(name, picture);
	}
	EXPECT_TRUE(screen.hasWindow("play"));
	EXPECT_FALSE(screen.hasWindow("game"));
	EXPECT_FALSE(screen.hasWindow("normal"));
	EXPECT_EQ(chosen.lastImages().size(), 3u);
	EXPECT_EQ(screen.lastImages().size(), 1u);
	EXPECT_FALSE(chosen.setMouseHandler("game", [](int, int, int, int) {}));
	EXPECT_TRUE(chosen.setMouseHandler("play", [](int, int, int, int) {}));
	screen.pushClose("game");
	screen.pushClose("play");
	chosen.waitKey(1);
	EXPECT_FALSE(chosen.isClosed("game"));
	EXPECT_TRUE(chosen.isClosed("play"));
	// A projector's picture fills its screen whatever was chosen.
	chosen.createScreenWindow("projector", cv::Rect(0, 0, 8, 8));
	chosen.show("projector", picture);
	EXPECT_TRUE(screen.hasWindow("projector"));
}

/// The program run for real with each choice of windows: the snapshots hold
/// every window, "play" among them, shaped like the board's drawing area.
TEST(PlayWindow, EachChoiceOfWindowsWritesPlayAmongTheSnapshots)
{
	const struct
	{
		const char* option;
		int playWidth;
	} choices[] = {{"", 640}, {"--windows all", 640}, {"--windows=play", 1280}};
	for (const auto& choice : choices)
	{
		const std::filesystem::path folder = std::filesystem::path(scratchFolder()) / "windows";
		std::filesystem::remove_all(folder);
		std::filesystem::create_directories(folder);
		const std::string command = "cd '" + folder.string() + "' && '" DRAWTABLE_PATH "' --headless --source demo --data '"
			+ std::filesystem::current_path().string() + "' --record none --passes 60 --snapshots snaps "
			+ choice.option + " >out.txt 2>err.txt";
		ASSERT_EQ(std::system(command.c_str()), 0) << command;
		for (const char* name : {"game", "normal", "warped", "cont", "skewbinary"})
		{
			EXPECT_TRUE(std::filesystem::exists(folder / "snaps" / (std::string(name) + ".png"))) << name;
		}
		const cv::Mat play = cv::imread((folder / "snaps/play.png").string());
		ASSERT_FALSE(play.empty()) << choice.option;
		EXPECT_EQ(play.cols, choice.playWidth) << choice.option;
		// The drawing area between the markers is about 1.7 times as wide as high.
		EXPECT_NEAR(double(play.cols) / play.rows, 1.69, 0.08) << choice.option;
	}
	const ParsedCommandLine wrong = parseCommandLine({"--windows", "some"});
	EXPECT_EQ(wrong.error, "bad windows \"some\": use all or play");
}
