#include "core/EventSink.h"
#include "core/ScoreKeeper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// The rules of the score as a family plays them: first touches score, the
// last sensor lit solves the drawing once, the best time survives a replay
// and not a new drawing, and the trace hears of each.

namespace
{

struct EventLog : EventSink
{
	void report(Event event) override { events.push_back(std::move(event)); }
	bool listening() const override { return true; }
	std::vector<Event> events;
};

using Touch = ScoreKeeper::Touch;
constexpr ScoreKeeper::Id ballA = 11, ballB = 12, sensor0 = 100, sensor1 = 101, sensor2 = 102;

/// A drawing of three sensors built at second 10.
ScoreKeeper threeSensors()
{
	ScoreKeeper score;
	score.newDrawing(10.0);
	for (ScoreKeeper::Id sensor : {sensor0, sensor1, sensor2})
	{
		score.addSensor(sensor);
	}
	return score;
}

TEST(ScoreKeeper, EachBallAndSensorPairScoresOnceAndTheLastSensorSolves)
{
	ScoreKeeper score = threeSensors();
	EventLog log;
	EXPECT_EQ(score.touch(ballA, sensor0, 5, 11.0, &log), Touch::Scored);
	EXPECT_EQ(score.touch(ballA, sensor0, 6, 11.5, &log), Touch::Nothing) << "the same pair again";
	EXPECT_EQ(score.touch(ballB, sensor0, 7, 12.0, &log), Touch::Scored) << "another ball on a lit sensor";
	EXPECT_EQ(score.touch(ballB, 999, 7, 12.0, &log), Touch::Nothing) << "a sensor not of this drawing";
	EXPECT_EQ(score.touch(ballA, sensor1, 8, 13.0, &log), Touch::Scored);
	EXPECT_EQ(score.score(), 3);
	EXPECT_EQ(score.sensorsLit(), 2);
	EXPECT_FALSE(score.solved());
	EXPECT_DOUBLE_EQ(score.litAfter(sensor0), 1.0) << "lit at its first touch, not its second";
	EXPECT_TRUE(std::isnan(score.litAfter(sensor2)));

	EXPECT_EQ(score.touch(ballB, sensor2, 9, 22.5, &log), Touch::Solved);
	EXPECT_TRUE(score.solved());
	EXPECT_DOUBLE_EQ(score.solvedAfter(), 12.5);
	EXPECT_DOUBLE_EQ(score.bestTime(), 12.5);
	// Solved once: later first touches score, but solve nothing again.
	EXPECT_EQ(score.touch(ballB, sensor1, 10, 23.0, &log), Touch::Scored);
	EXPECT_DOUBLE_EQ(score.solvedAfter(), 12.5);

	ASSERT_EQ(log.events.size(), 6u);
	const Event& scored = log.events[2];
	EXPECT_EQ(scored.type, "scored");
	EXPECT_EQ(scored.number("pass"), 8);
	EXPECT_EQ(scored.number("sensor"), 1) << "sensors are numbered in the order they were built";
	EXPECT_DOUBLE_EQ(scored.number("time"), 3.0);
	EXPECT_EQ(scored.number("score"), 3);
	const Event& solved = log.events[4];
	EXPECT_EQ(solved.type, "solved");
	EXPECT_EQ(solved.number("pass"), 9);
	EXPECT_DOUBLE_EQ(solved.number("time"), 12.5);
	EXPECT_DOUBLE_EQ(solved.number("best"), 12.5);
	EXPECT_EQ(log.events[5].type, "scored");
}

TEST(ScoreKeeper, AReplayKeepsTheBestTimeAndANewDrawingForgetsIt)
{
	ScoreKeeper score;
	score.newDrawing(0.0);
	score.addSensor(sensor0);
	score.touch(ballA, sensor0, 1, 8.0, nullptr);
	ASSERT_DOUBLE_EQ(score.bestTime(), 8.0);

	// Played again at second 20: the clock, the points and the sensors start afresh.
	score.replay(20.0);
	EXPECT_EQ(score.score(), 0);
	EXPECT_EQ(score.sensorsLit(), 0);
	EXPECT_FALSE(score.solved());
	EXPECT_TRUE(std::isnan(score.litAfter(sensor0)));
	EXPECT_DOUBLE_EQ(score.secondsPlayed(21.0), 1.0);
	EXPECT_DOUBLE_EQ(score.bestTime(), 8.0);
	// The same ball scores again in the new play; slower, the best stays.
	EXPECT_EQ(score.touch(ballA, sensor0, 2, 30.0, nullptr), Touch::Solved);
	EXPECT_DOUBLE_EQ(score.solvedAfter(), 10.0);
	EXPECT_DOUBLE_EQ(score.bestTime(), 8.0);
	// Faster, it is the new best.
	score.replay(40.0);
	score.touch(ballB, sensor0, 3, 45.0, nullptr);
	EXPECT_DOUBLE_EQ(score.bestTime(), 5.0);

	score.newDrawing(50.0);
	EXPECT_TRUE(std::isnan(score.bestTime()));
	EXPECT_EQ(score.sensorCount(), 0);
	EXPECT_EQ(score.touch(ballA, sensor0, 4, 51.0, nullptr), Touch::Nothing) << "a sensor of the last drawing";
}

TEST(ScoreKeeper, ADrawingWithoutSensorsIsNeverSolvedAndANewSensorOpensItAgain)
{
	ScoreKeeper score;
	score.newDrawing(0.0);
	EXPECT_EQ(score.touch(ballA, sensor0, 1, 1.0, nullptr), Touch::Nothing);
	EXPECT_FALSE(score.solved());

	score.addSensor(sensor0);
	ASSERT_EQ(score.touch(ballA, sensor0, 2, 2.0, nullptr), Touch::Solved);
	// A sensor drawn on the solved drawing: one to light before it is solved again.
	score.addSensor(sensor1);
	score.addSensor(sensor1);
	EXPECT_EQ(score.sensorCount(), 2);
	EXPECT_FALSE(score.solved());
	EXPECT_EQ(score.sensorsLit(), 1);
	EXPECT_EQ(score.touch(ballA, sensor1, 3, 7.0, nullptr), Touch::Solved);
	EXPECT_DOUBLE_EQ(score.solvedAfter(), 7.0);
	EXPECT_DOUBLE_EQ(score.bestTime(), 2.0);
}

}  // namespace
