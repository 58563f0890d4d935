#include "PlayedScenes.h"

#include "app/WorldPace.h"

#include <gtest/gtest.h>

#include <chrono>

// Space stops the world and the scanning and lets them go on; s plays at half
// speed. Either way the world moves as it would have: only when changes.

namespace
{

/// The still demo board, its drawing built by the scan in pass 16; `camera`
/// is set to the program's camera when given.
std::unique_ptr<TestProgram> demoTable(StillFrameSource** camera = nullptr)
{
	::testing::internal::CaptureStdout();
	auto still = std::make_unique<StillFrameSource>(demoBoardPicture());
	if (camera != nullptr)
	{
		*camera = still.get();
	}
	auto program = std::make_unique<TestProgram>(std::move(still));
	::testing::internal::GetCapturedStdout();
	return program;
}

void run(TestProgram& program, int passes)
{
	::testing::internal::CaptureStdout();
	::testing::internal::CaptureStderr();
	program.run(passes);
	::testing::internal::GetCapturedStderr();
	::testing::internal::GetCapturedStdout();
}

/// Where the moving bodies were at the end of pass `pass` (from 1).
const std::vector<b2Vec2>& movingAt(const TestProgram& program, int pass)
{
	return program.passes.at(std::size_t(pass - 1)).moving;
}

bool samePlaces(const std::vector<b2Vec2>& a, const std::vector<b2Vec2>& b)
{
	if (a.size() != b.size())
	{
		return false;
	}
	for (std::size_t i = 0; i < a.size(); ++i)
	{
		if (a[i].x != b[i].x || a[i].y != b[i].y)
		{
			return false;
		}
	}
	return true;
}

}  // namespace

TEST(PauseAndSpeed, SpaceStopsTheWorldAndTheScanningAndPlayingOnGoesOnExactlyAsBefore)
{
	const auto plain = demoTable();
	run(*plain, 60);
	ASSERT_FALSE(plain->passes[25].moving.empty()) << "the demo board's ball falls";
	ASSERT_FALSE(samePlaces(movingAt(*plain, 31), movingAt(*plain, 32))) << "the ball moves at pass 31";

	StillFrameSource* camera = nullptr;
	const auto paused = demoTable(&camera);
	run(*paused, 30);
	paused->display->pushKey(' ');
	run(*paused, 1);  // pass 31 steps; its key pauses
	EXPECT_EQ(paused->app->status().line(), "Paused: press space to play on");
	EXPECT_EQ(paused->passes.back().eventsOf("paused").size(), 1u);
	EXPECT_TRUE(paused->passes.back().statusChanged);
	EXPECT_TRUE(paused->app->pace().paused());

	// The camera is knocked while the game is paused: nothing is scanned,
	// and every pass is still recorded, the world standing where it stood.
	const cv::Mat still = camera->picture;
	camera->picture = demoBoardPicture(viewOfBoard(470, 12, 3));
	run(*paused, 3);
	camera->picture = still;
	run(*paused, 37);
	ASSERT_EQ(paused->passes.size(), 71u);
	for (int pass = 32; pass <= 71; ++pass)
	{
		EXPECT_TRUE(samePlaces(movingAt(*paused, pass), movingAt(*plain, 31))) << "pass " << pass;
		EXPECT_TRUE(paused->passes[std::size_t(pass - 1)].eventsOf("scan").empty()) << "pass " << pass;
		EXPECT_FALSE(paused->passes[std::size_t(pass - 1)].statusChanged) << "pass " << pass;
	}

	paused->display->pushKey(' ');
	run(*paused, 1);  // pass 72 stands; its key plays on
	EXPECT_EQ(paused->app->status().line(), "");
	EXPECT_EQ(paused->passes.back().eventsOf("playing").size(), 1u);
	run(*paused, 28);
	for (int k = 1; k <= 28; ++k)
	{
		EXPECT_TRUE(samePlaces(movingAt(*paused, 72 + k), movingAt(*plain, 31 + k))) << "pass " << 72 + k;
	}
	// The knock is scanned once the picture has kept still after playing on.
	const std::vector<int> scans = paused->scanPasses();
	ASSERT_EQ(scans.size(), 2u);
	EXPECT_EQ(scans[0], 16);
	EXPECT_EQ(scans[1], 72 + Stillness::rescanThreshold);
	EXPECT_EQ(paused->app->pace().steps(), 100 - 41) << "passes 32 to 72 took no step";
}

TEST(PauseAndSpeed, HalfSpeedTakesTwoPassesForEachStepOfTheSameWorld)
{
	const auto plain = demoTable();
	run(*plain, 60);

	const auto slow = demoTable();
	run(*slow, 30);
	slow->display->pushKey('s');
	run(*slow, 1);
	EXPECT_EQ(slow->app->status().line(), "Half speed: press s for full speed");
	ASSERT_EQ(slow->passes.back().eventsOf("speed").size(), 1u);
	EXPECT_EQ(eventField(*slow->passes.back().eventsOf("speed")[0], "half"), "true");
	ASSERT_NE(slow->app->playWindow(), nullptr);
	run(*slow, 40);
	EXPECT_TRUE(slow->app->playWindow()->scene().status.slowMotion);
	for (int k = 0; k <= 20; ++k)
	{
		EXPECT_TRUE(samePlaces(movingAt(*slow, 31 + 2 * k), movingAt(*plain, 31 + k))) << "pass " << 31 + 2 * k;
	}
	// Between two steps the world stands for a pass.
	EXPECT_TRUE(samePlaces(movingAt(*slow, 32), movingAt(*slow, 31)));

	// Full speed again from the next pass: a step a pass.
	slow->display->pushKey('s');
	run(*slow, 1);  // pass 72 still stands, as every other pass did; its key ends the slow motion
	EXPECT_EQ(slow->app->status().line(), "");
	run(*slow, 8);
	for (int k = 0; k <= 8; ++k)
	{
		EXPECT_TRUE(samePlaces(movingAt(*slow, 72 + k), movingAt(*plain, 51 + k))) << "pass " << 72 + k;
	}
}

TEST(PauseAndSpeed, WithALiveCameraPausedTimeIsNotOwedAndHalfSpeedOwesHalf)
{
	using std::chrono::milliseconds;
	std::chrono::steady_clock::time_point now{};
	WorldPace pace = WorldPace::followingClock([&now] { return now; });
	const auto pass = [&](milliseconds apart) {
		now += apart;
		return pace.stepsForPass();
	};
	EXPECT_EQ(pass(milliseconds(0)), 0);  // the clock starts
	EXPECT_EQ(pass(milliseconds(60)), 3);  // 10 ms owed
	pace.setPaused(true);
	EXPECT_EQ(pass(milliseconds(60)), 0);
	EXPECT_EQ(pass(milliseconds(5000)), 0);
	pace.setPaused(false);
	EXPECT_EQ(pass(milliseconds(60)), 4) << "the paused seconds are not caught up";
	EXPECT_EQ(pace.droppedSeconds(), 0.0);
	pace.setHalfSpeed(true);
	EXPECT_EQ(pass(milliseconds(100)), 3);
	EXPECT_EQ(pass(milliseconds(50)), 1);
	EXPECT_EQ(pass(milliseconds(50)), 2);  // the half steps owed add up
	EXPECT_EQ(pace.steps(), 13);
	EXPECT_NEAR(pace.worldSeconds(), 13.0 / 60.0, 1e-6);

	// Without the clock: every other pass at half speed, none while paused.
	WorldPace passes;
	passes.setHalfSpeed(true);
	std::vector<int> steps;
	for (int i = 0; i < 6; ++i)
	{
		passes.setPaused(i == 4);
		steps.push_back(passes.stepsForPass());
	}
	EXPECT_EQ(steps, (std::vector<int>{0, 1, 0, 1, 0, 0}));
}
