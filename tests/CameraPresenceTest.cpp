#include "PlayedCamera.h"
#include "app/CameraWatch.h"

#include <gtest/gtest.h>

// A camera that is not there at the start, or stops giving frames while the
// game is played, as the user meets it: one line on the console, a status
// for the players, the trace's events, and the game going on by itself when
// the camera is back, with its world and map kept.

namespace
{

TEST(CameraPresence, ACameraLostWhilePlayingIsWaitedForWithTheWorldAndMapKept)
{
	PlayedCamera played;
	played.run(40);
	ASSERT_TRUE(std::any_of(played.program->passes.begin(), played.program->passes.end(), scanFound));
	const PassRecord built = played.last();
	ASSERT_GT(built.bodies[Wall - 1], 0);
	ASSERT_GT(built.bodies[Solid - 1], 0);

	played.fake->plugged = false;
	const std::string lost = played.run(30).err;
	EXPECT_EQ(played.program->app->status().line(), "camera lost, waiting for it");
	EXPECT_TRUE(played.program->passes[40].statusChanged);
	EXPECT_EQ(played.program->passes[40].status, "camera lost, waiting for it") << "the trace says it in the pass it is lost";
	EXPECT_EQ(timesIn(lost, "device:0: camera lost, waiting for it"), 1) << lost;
	EXPECT_EQ(std::count(lost.begin(), lost.end(), '\n'), 1) << lost;
	for (const int kind : {Wall, SensorCircle, Portal, Solid})
	{
		EXPECT_EQ(played.last().bodies[kind - 1], built.bodies[kind - 1]) << "kind " << kind << " while the camera is away";
	}

	played.fake->plugged = true;
	const std::string back = played.run(40).err;
	EXPECT_FALSE(played.program->app->status().holds(StatusReason::CameraLost));
	EXPECT_EQ(timesIn(back, "device:0: the camera gives frames again"), 1) << back;
	EXPECT_EQ(played.events("cameraLost", "reason"), std::vector<std::string>{"41: \"stopped\""});
	EXPECT_EQ(played.events("cameraBack", "width"), std::vector<std::string>{"71: 640"});
	// Back, the picture settles and the board is scanned: the same drawing,
	// the same map, nothing built again.
	EXPECT_TRUE(std::any_of(played.program->passes.begin() + 71, played.program->passes.end(), scanFound));
	const auto newMaps = std::count_if(played.program->passes.begin(), played.program->passes.end(),
		[](const PassRecord& record) { return !record.eventsOf("newMap").empty(); });
	EXPECT_LE(newMaps, 1) << "only the first map is new";
	for (const int kind : {SensorCircle, Portal})
	{
		EXPECT_EQ(played.last().bodies[kind - 1], built.bodies[kind - 1]) << "kind " << kind << " after the camera came back";
	}
	// The rescan after the camera's return builds the walls anew; with a live
	// camera the world follows the real clock, and on a loaded machine that
	// rescan has been seen to leave more wall pieces than the first. None is lost.
	EXPECT_GE(played.last().bodies[Wall - 1], built.bodies[Wall - 1]) << "the walls after the camera came back";
}

TEST(CameraPresence, WithoutACameraAtTheStartTheGameWaitsAndStartsWhenItIsPluggedIn)
{
	PlayedCamera played(FakeCapture::Takes, false);
	const std::string waiting = played.run(20).err;
	EXPECT_EQ(timesIn(waiting, "no camera at device:0 (cameras found: "), 1) << waiting;
	EXPECT_EQ(timesIn(waiting, "--source demo"), 1) << waiting;
	EXPECT_EQ(std::count(waiting.begin(), waiting.end(), '\n'), 1) << waiting;
	EXPECT_NE(played.program->app->status().line().find("--source demo"), std::string::npos);
	EXPECT_EQ(played.events("cameraLost", "reason"), std::vector<std::string>{"1: \"not found\""});
	EXPECT_TRUE(played.program->scanPasses().empty()) << "nothing to scan without a picture";

	played.fake->plugged = true;
	played.run(30);
	EXPECT_EQ(played.events("cameraBack", "height"), std::vector<std::string>{"21: 480"});
	EXPECT_FALSE(played.program->app->status().holds(StatusReason::NoCamera));
	EXPECT_TRUE(std::any_of(played.program->passes.begin(), played.program->passes.end(), scanFound))
		<< "the board is found once the picture has settled";
	EXPECT_GT(played.last().bodies[Solid - 1], 0);
}

/// A camera whose presence a test sets.
class PresenceOnly : public StillFrameSource
{
public:
	PresenceOnly() : StillFrameSource(cv::Mat()) {}
	CameraPresence presence() const override { return now; }
	std::string describe() const override { return "device:2"; }
	CameraPresence now = CameraPresence::Delivering;
};

/// The line for a camera not there names the cameras that are, by their
/// device files and names; one that is there but gives nothing, or cannot be
/// opened, is named with why.
TEST(CameraPresence, TheLineNamesTheCamerasFoundAndWhyTheOneAskedGivesNothing)
{
	VideoDevice webcam;
	webcam.path = "/dev/video0";
	webcam.index = 0;
	webcam.name = "HD Webcam";
	VideoDevice second = webcam;
	second.path = "/dev/video2";
	second.index = 2;
	second.name = "USB Camera";
	VideoDevice barred = second;
	barred.problem = "Permission denied";
	const struct
	{
		std::vector<VideoDevice> found;
		const char* said;
	} cases[] = {
		{{}, "no camera at device:2 (cameras found: none)"},
		{{webcam}, "no camera at device:2 (cameras found: /dev/video0 (HD Webcam))"},
		{{webcam, second}, "device:2 (/dev/video2, USB Camera) gives no picture: another program may be using it"},
		{{barred}, "device:2 (/dev/video2) cannot be opened: Permission denied"},
	};
	for (const auto& c : cases)
	{
		const std::vector<VideoDevice> found = c.found;
		CameraWatch watch([found] { return found; });
		PresenceOnly camera;
		Trace trace;
		std::vector<Event> events;
		trace.addSink([&](const PassRecord& record) { events = record.events; });
		camera.now = CameraPresence::NotFound;
		testing::internal::CaptureStderr();
		StatusLine status;
		watch.notePass(camera, trace, status);
		watch.notePass(camera, trace, status);
		const std::string said = testing::internal::GetCapturedStderr();
		trace.endPass(1, 0, PhysicsScene());
		EXPECT_EQ(said.rfind(std::string(c.said) + "; looking for it every second", 0), 0u) << said;
		EXPECT_EQ(status.line(), std::string(c.said) + "; waiting for it, or start with --source demo to play without a camera");
		ASSERT_EQ(events.size(), 1u) << "said once";
		EXPECT_EQ(events[0].type, "cameraLost");
	}
}

}  // namespace
