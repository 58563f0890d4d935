#include "TestSupport.h"
#include "app/WorldPace.h"
#include "physics/BodyFactories.h"

#include <gtest/gtest.h>
#include <box2d/b2_body.h>

#include <chrono>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

/// Without a live camera every pass is one step; with one, the passes' steps
/// add up to the clock's time in steps of 1/60 s, whatever the time between
/// passes, and a stall is cut to a tenth of a second rather than caught up.
TEST(WorldPace, OneStepAPassOrTheClocksTimeInSixtiethsWithAStallCut)
{
	WorldPace oneAPass;
	for (int pass = 0; pass < 5; ++pass)
	{
		EXPECT_EQ(oneAPass.stepsForPass(), 1);
	}
	EXPECT_FALSE(oneAPass.followsClock());

	Clock::time_point now{};
	WorldPace paced = WorldPace::followingClock([&now] { return now; });
	EXPECT_EQ(paced.stepsForPass(), 0) << "the first pass starts the clock";
	const auto passes = [&](milliseconds apart, int count) {
		std::vector<int> steps;
		for (int i = 0; i < count; ++i)
		{
			now += apart;
			steps.push_back(paced.stepsForPass());
		}
		return steps;
	};
	EXPECT_EQ(passes(milliseconds(67), 3), (std::vector<int>{4, 4, 4}));  // 15 frames a second
	EXPECT_EQ(passes(milliseconds(10), 6), (std::vector<int>{0, 1, 0, 1, 1, 0}));  // the rest is carried
	EXPECT_EQ(paced.steps(), 15);
	EXPECT_NEAR(paced.clockSeconds(), 0.261, 1e-9);
	EXPECT_NEAR(double(paced.steps()) / 60.0, paced.clockSeconds(), 1.0 / 60.0);

	EXPECT_EQ(passes(milliseconds(1000), 1), std::vector<int>{WorldPace::maxStepsPerPass});
	EXPECT_NEAR(paced.droppedSeconds(), 0.9, 1.0 / 60.0);
	EXPECT_EQ(passes(milliseconds(33), 2), (std::vector<int>{2, 2})) << "a stall is not raced through afterwards";
}

/// A camera that gives a still grey frame `framesPerSecond` times a second,
/// waiting for the next one as a device does, however soon it is asked.
class SelfPacedCamera : public StillFrameSource
{
public:
	explicit SelfPacedCamera(double framesPerSecond)
		: StillFrameSource(cv::Mat(480, 640, CV_8UC3, cv::Scalar(128, 128, 128))), rate(framesPerSecond)
	{
	}

	bool read(cv::Mat& frame) override
	{
		const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
		next = std::max(next + period, Clock::now());
		std::this_thread::sleep_until(next);
		return StillFrameSource::read(frame);
	}

	bool pacesItself() const override { return true; }
	double framesPerSecond() const override { return rate; }

private:
	const double rate;
	Clock::time_point next = Clock::now();
};

/// A live camera at 15, 30 and 60 frames a second: a ball dropped from the
/// same place has fallen as far after the same time on the program's own
/// clock (less what stalls of a busy machine dropped), within 5 %: the world
/// keeps the clock's pace, not the camera's.
TEST(WorldPace, ABallFallsAsFarInASecondWhateverTheCamerasRate)
{
	constexpr double horizon = 0.7;
	std::vector<double> fallen;
	for (const double framesPerSecond : {15.0, 30.0, 60.0})
	{
		TestProgram program(std::make_unique<SelfPacedCamera>(framesPerSecond));
		ASSERT_TRUE(program.app->pace().followsClock());
		b2Body* ball = createBall(program.app->scene(), 10.0f, 100.0f, 1.0f);
		// The program's clock, less the stalls it dropped, and the ball's height, after each pass.
		std::vector<std::pair<double, double>> heights;
		while (heights.empty() || heights.back().first < horizon)
		{
			program.app->runPass();
			const WorldPace& pace = program.app->pace();
			heights.emplace_back(pace.clockSeconds() - pace.droppedSeconds(), double(ball->GetPosition().y));
		}
		// Between the last two passes, the height when the clock said `horizon`.
		const auto [t0, y0] = heights[heights.size() - 2];
		const auto [t1, y1] = heights.back();
		fallen.push_back(100.0 - (y0 + (y1 - y0) * (horizon - t0) / (t1 - t0)));
	}
	// Box2D's steps fall g dt^2 (1 + 2 + ... + n) in n steps: 2.45 m in 0.7 s.
	const double expected = 10.0 / 3600.0 * (42.0 * 43.0 / 2.0);
	for (std::size_t i = 0; i < fallen.size(); ++i)
	{
		EXPECT_NEAR(fallen[i], expected, 0.05 * expected) << "at " << (i == 0 ? 15 : i == 1 ? 30 : 60)
														  << " frames a second";
	}
}

}  // namespace
