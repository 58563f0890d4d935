#include "app/Trace.h"
#include "core/StatusLine.h"
#include "physics/PhysicsScene.h"

#include <gtest/gtest.h>

// The status line: the most pressing reason that holds is the one shown,
// each reason is cleared on its own, and the trace carries the line in the
// passes where it changes.

namespace
{

TEST(StatusLine, TheMostPressingReasonThatHoldsIsShownUntilItIsCleared)
{
	StatusLine status;
	EXPECT_EQ(status.line(), "");
	status.set(StatusReason::HalfSpeed, "Half speed");
	status.set(StatusReason::Hand, "Take your hand off the board");
	EXPECT_EQ(status.line(), "Take your hand off the board");
	status.set(StatusReason::CameraLost, "The camera is lost");
	EXPECT_EQ(status.line(), "The camera is lost");
	status.clear(StatusReason::CameraLost);
	EXPECT_EQ(status.line(), "Take your hand off the board");
	// Set again in other words: the newest words stand.
	status.set(StatusReason::Hand, "Hands off");
	EXPECT_EQ(status.line(), "Hands off");
	status.set(StatusReason::Hand, "");
	EXPECT_FALSE(status.holds(StatusReason::Hand));
	EXPECT_EQ(status.line(), "Half speed");
	EXPECT_EQ(status.words(StatusReason::HalfSpeed), "Half speed");
	status.clear(StatusReason::HalfSpeed);
	EXPECT_EQ(status.line(), "");
	status.set(StatusReason::Count, "not a reason");
	EXPECT_EQ(status.line(), "");
}

TEST(StatusLine, TheTraceWritesTheLineInThePassesWhereItChanges)
{
	PhysicsScene scene;
	scene.createWorld(b2Vec2(0.0f, -10.0f));
	Trace trace;
	std::vector<std::string> lines;
	trace.addSink([&lines](const PassRecord& record) { lines.push_back(Trace::toJson(record)); });
	const std::vector<std::string> statuses = {"", "Show the \"whole\" board", "Show the \"whole\" board", ""};
	for (size_t pass = 0; pass < statuses.size(); ++pass)
	{
		trace.noteStatus(statuses[pass]);
		trace.endPass(int(pass) + 1, 0, scene);
	}
	ASSERT_EQ(lines.size(), 4u);
	EXPECT_EQ(lines[0].find("status"), std::string::npos) << lines[0];
	EXPECT_NE(lines[1].find(", \"status\": \"Show the \\\"whole\\\" board\"}"), std::string::npos) << lines[1];
	EXPECT_EQ(lines[2].find("status"), std::string::npos) << lines[2];
	EXPECT_NE(lines[3].find(", \"status\": \"\"}"), std::string::npos) << lines[3];
}

}  // namespace
