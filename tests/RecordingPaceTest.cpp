#include "FreshFolder.h"

#include "render/DiskBudget.h"
#include "render/FrameRecorder.h"
#include "render/RecordingPace.h"

#include <gtest/gtest.h>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace
{

/// A disk of `total` bytes with `free` of them free, as the budget measures it.
struct FakeDisk
{
	FakeDisk(std::uint64_t total, std::uint64_t free, std::optional<std::uint64_t> keepFree)
		: budget("video", [total, free](const std::string&, DiskSpace& space) {
			  space.total = total;
			  space.free = free;
			  return total > 0;
		  })
	{
		budget.setKeepFree(keepFree);
		budget.measure();
	}

	DiskBudget budget;
};

/// After three seconds of recording, the rate the disk fills at is said
/// once, with the room above the floor and how long it lasts; on a disk that
/// cannot be asked nothing is said.
TEST(RecordingPace, TheRateTheDiskFillsAtIsSaidOnceWithTheRoomAboveTheFloor)
{
	constexpr std::uint64_t GB = 1ull << 30, MB = 1ull << 20;
	struct Case
	{
		std::uint64_t total, free;
		std::optional<std::uint64_t> keepFree;
		/// Bytes written in each tenth of a second.
		std::uint64_t tenth;
		const char* said;
	};
	const Case cases[] = {
		{100 * GB, 10 * GB, 2 * GB, 16 * MB / 10,
			"recording fills the disk at about 960 MB a minute; the 8.0 GB free above the 2.0 GB kept free last about 9 minutes\n"},
		{20 * GB, 10 * GB, std::nullopt, 16 * MB / 10,
			"recording fills the disk at about 960 MB a minute; the 9.0 GB free above the 1.0 GB kept free last about 10 minutes\n"},
		{100 * GB, 1 * GB, 2 * GB, 16 * MB / 10,
			"recording fills the disk at about 960 MB a minute; the 0 bytes free above the 2.0 GB kept free last about 0 seconds\n"},
		{100 * GB, 10 * GB, 2 * GB, 0,
			"recording fills the disk at about 0 bytes a minute; the 8.0 GB free above the 2.0 GB kept free last about for ever\n"},
		{0, 0, std::nullopt, 16 * MB / 10, ""},
	};
	for (const Case& c : cases)
	{
		const FakeDisk disk(c.total, c.free, c.keepFree);
		RecordingPace pace;
		const RecordingPace::Clock::time_point start;
		std::string said;
		for (int tenth = 0; tenth <= 50; ++tenth)
		{
			testing::internal::CaptureStdout();
			pace.passRecorded(start + std::chrono::milliseconds(100 * tenth), tenth * c.tenth, {}, disk.budget);
			const std::string now = testing::internal::GetCapturedStdout();
			EXPECT_TRUE(now.empty() || tenth == 30) << "said at " << tenth << ": " << now;
			said += now;
		}
		EXPECT_EQ(said, c.said);
	}
}

/// With a live camera, a window of a second in which the loop waited for the
/// recording more than a tenth of the time is said, once; at a tenth or
/// less, or without a live camera, nothing is.
TEST(RecordingPace, ALoopWaitingMoreThanATenthOfASecondIsSaidOnceWithALiveCamera)
{
	struct Case
	{
		bool live;
		double cameraFramesPerSecond;
		/// Milliseconds waited in each pass of 50.
		int waits;
		const char* said;
	};
	const Case cases[] = {
		{true, 30.0, 10, " passes a second against the camera's 30, the loop waits for it 20 % of the time; "},
		{true, 0.0, 6, " passes a second, the loop waits for it 12 % of the time; "},
		{true, 30.0, 5, ""},  // a tenth exactly
		{false, 0.0, 25, ""},
	};
	const FakeDisk disk(0, 0, std::nullopt);
	for (const Case& c : cases)
	{
		RecordingPace pace;
		if (c.live)
		{
			pace.setLiveCamera(c.cameraFramesPerSecond);
		}
		testing::internal::CaptureStderr();
		const RecordingPace::Clock::time_point start;
		for (int pass = 0; pass <= 100; ++pass)
		{
			pace.passRecorded(start + std::chrono::milliseconds(50 * pass), 0, std::chrono::milliseconds(c.waits * pass),
				disk.budget);
		}
		const std::string said = testing::internal::GetCapturedStderr();
		if (*c.said == '\0')
		{
			EXPECT_EQ(said, "") << c.waits;
			continue;
		}
		EXPECT_EQ(said.rfind("recording cannot keep up: ", 0), 0u) << said;
		EXPECT_NE(said.find(c.said), std::string::npos) << said;
		EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
	}
}

/// Each test in a fresh working directory, where the recorder writes.
using RecordedVideos = InFreshFolder;

/// The videos play at the live camera's rate when it says it, else at the
/// game's 60 a second, as their players read them.
TEST_F(RecordedVideos, PlayAtTheLiveCamerasRate)
{
	const std::pair<double, double> rates[] = {{-1.0, 60.0}, {25.0, 25.0}, {0.0, 60.0}};
	for (const auto& [camera, played] : rates)
	{
		{
			FrameRecorder recorder;
			recorder.setSettings({RecordMode::Video, std::nullopt});
			if (camera >= 0.0)
			{
				recorder.setLiveCamera(camera);
			}
			testing::internal::CaptureStdout();
			recorder.announce();
			testing::internal::GetCapturedStdout();
			cv::Mat frame(48, 64, CV_8UC3);
			cv::randu(frame, 0, 256);
			for (int pass = 0; pass < 3; ++pass)
			{
				recorder.recordPass({frame, frame, frame, frame});
			}
			recorder.close();
		}
		for (const char* video : {"video/camera.avi", "video/game.avi"})
		{
			cv::VideoCapture replay(video);
			ASSERT_TRUE(replay.isOpened()) << video;
			EXPECT_NEAR(replay.get(cv::CAP_PROP_FPS), played, 0.01) << video << " of a camera of " << camera;
		}
		fs::remove_all("video");
	}
}

}  // namespace
