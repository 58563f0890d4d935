#include "FreshFolder.h"

#include "platform/DiskSpace.h"
#include "render/AviHeader.h"
#include "render/FrameRecorder.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace
{

/// Each test in a fresh working directory, where the recorder writes.
using Recording = InFreshFolder;

cv::Mat noisyFrame(int seed, cv::Size size = cv::Size(160, 120))
{
	cv::Mat image(size, CV_8UC3);
	cv::RNG(uint64_t(seed)).fill(image, cv::RNG::UNIFORM, 0, 256);
	return image;
}

/// Sizes as people write them, and as the program says them.
TEST(DiskSpace, SizesAreReadAndSaidInPowersOf1024AndTheFloorIsTwoGigabytesOrOneTwentieth)
{
	const std::pair<const char*, std::uint64_t> good[] = {{"0", 0}, {"512", 512}, {"500M", 500ull << 20},
		{"2G", 2ull << 30}, {"2gb", 2ull << 30}, {"1.5G", 3ull << 29}, {"3k", 3072}, {"1T", 1ull << 40}};
	for (const auto& [text, bytes] : good)
	{
		std::uint64_t read = 1;
		EXPECT_TRUE(parseByteSize(text, read)) << text;
		EXPECT_EQ(read, bytes) << text;
	}
	for (const char* bad : {"", "G", "-1G", "1.G", ".5G", "1..5G", "2X", "2GiB", "1e9", "5000T", " 2G", "2G "})
	{
		std::uint64_t read = 0;
		EXPECT_FALSE(parseByteSize(bad, read)) << bad;
	}
	EXPECT_EQ(formatByteSize(2ull << 30), "2.0 GB");
	EXPECT_EQ(formatByteSize(300ull << 20), "300 MB");
	EXPECT_EQ(formatByteSize(100), "100 bytes");
	EXPECT_EQ(defaultKeepFree(1ull << 40), 2ull << 30);  // a terabyte disk keeps 2 GB
	EXPECT_EQ(defaultKeepFree(20ull << 30), 1ull << 30);  // a 20 GB disk keeps 5 %
	DiskSpace space;
	EXPECT_TRUE(diskSpaceOf(".", space));
	EXPECT_GT(space.total, 0u);
	EXPECT_LE(space.free, space.total);
	EXPECT_FALSE(diskSpaceOf("no such folder", space));
}

/// What `df` tells the user of the disk a folder is on: the bytes they may
/// still write and the disk's size. False when it cannot be asked.
bool dfFigures(const std::string& folder, std::uint64_t& available, std::uint64_t& size)
{
	FILE* df = popen(("df -B1 --output=avail,size -- '" + folder + "' 2>/dev/null").c_str(), "r");
	if (df == nullptr)
	{
		return false;
	}
	char header[256];
	unsigned long long avail = 0, total = 0;
	const bool read = std::fgets(header, sizeof header, df) != nullptr && std::fscanf(df, "%llu %llu", &avail, &total) == 2;
	const bool ended = pclose(df) == 0;
	available = avail;
	size = total;
	return read && ended;
}

/// The free space is what the user may still write, as `df` says it, not the
/// disk's free blocks, which include those kept for the system (5 % of an
/// ext4 disk): read so, recording runs past its floor into a full disk. A
/// folder on a disk that keeps no blocks (tmpfs) cannot tell the two apart;
/// the working directory's usually can.
TEST(DiskSpace, TheFreeSpaceIsWhatDfSaysTheUserMayWrite)
{
	for (const std::string& folder : {std::string("."), fs::temp_directory_path().string(), std::string("/dev/shm")})
	{
		std::uint64_t available = 0, size = 0;
		if (!fs::is_directory(folder) || !dfFigures(folder, available, size))
		{
			continue;
		}
		DiskSpace space;
		ASSERT_TRUE(diskSpaceOf(folder, space)) << folder;
		EXPECT_EQ(space.total, size) << folder;
		// Others write to the disk between the two questions.
		const double drift = std::max(256.0 * (1 << 20), size / 200.0);
		EXPECT_NEAR(double(space.free), double(available), drift)
			<< folder << ": " << formatByteSize(space.free) << " free against df's " << formatByteSize(available);
	}
}

/// What each mode says at start and whether it makes the folder: nothing
/// without the folder by default, the folder made for frames and video, and
/// the free space and the floor said.
TEST_F(Recording, EachModeSaysWhatItRecordsAndMakesTheFolderItNeeds)
{
	const auto said = [](RecordMode mode, std::optional<std::uint64_t> keepFree) {
		FrameRecorder recorder;
		recorder.setSettings({mode, keepFree});
		testing::internal::CaptureStdout();
		recorder.announce();
		return testing::internal::GetCapturedStdout();
	};
	EXPECT_EQ(said(RecordMode::FramesIfFolder, std::nullopt), "");
	EXPECT_EQ(said(RecordMode::None, std::nullopt), "");
	EXPECT_FALSE(fs::exists("video"));
	const std::string frames = said(RecordMode::Frames, std::uint64_t(300) << 20);
	EXPECT_TRUE(fs::is_directory("video"));
	EXPECT_EQ(frames.rfind("recording into folder \"video\": rawN.png and gameN.png", 0), 0u) << frames;
	EXPECT_NE(frames.find("free there, recording stops when 300 MB are left (--keep-free)"), std::string::npos) << frames;
	fs::remove("video");
	const std::string video = said(RecordMode::Video, std::nullopt);
	EXPECT_TRUE(fs::is_directory("video"));
	EXPECT_NE(video.find("camera.avi, the camera frames, lossless"), std::string::npos) << video;
	EXPECT_EQ(said(RecordMode::FramesIfFolder, std::nullopt).rfind("recording into folder \"video\": rawN.png", 0), 0u);
}

/// A disk of a few megabytes, as the recorder sees it through its seams:
/// every byte written takes from the free space. Recording stops by itself
/// with one line once less than the floor is free; every pass before it is
/// whole on the disk, none after it, and passes go on being numbered.
TEST_F(Recording, StopsAtTheFloorWithOneLineKeepingEveryPassBeforeItWhole)
{
	const std::uint64_t disk = 4u << 20;
	std::atomic<std::uint64_t> written{0};
	FrameRecorder recorder(
		[&](const std::string& path, const std::vector<uchar>& bytes, const RenameTurn& turn) {
			const std::error_code error = writeWholeFile(path, bytes.data(), bytes.size(), turn);
			written += error ? 0 : bytes.size();
			return error;
		},
		[&](const std::string&, DiskSpace& space) {
			space.total = disk;
			space.free = disk - std::min<std::uint64_t>(disk, written);
			return true;
		});
	recorder.setSettings({RecordMode::Frames, std::uint64_t(3) << 20});  // a megabyte to record in
	testing::internal::CaptureStdout();
	recorder.announce();
	testing::internal::GetCapturedStdout();
	testing::internal::CaptureStderr();
	const cv::Mat none;
	std::vector<std::pair<cv::Mat, cv::Mat>> handed;
	for (int pass = 0; pass < 40; ++pass)
	{
		handed.emplace_back(noisyFrame(2 * pass), noisyFrame(2 * pass + 1));
		recorder.recordPass({none, handed.back().first, handed.back().second, none});
		// A camera's pace: the writers have measured the disk before the next pass.
		recorder.finish();
	}
	recorder.close();
	const std::string said = testing::internal::GetCapturedStderr();
	EXPECT_TRUE(recorder.hasStopped());
	EXPECT_EQ(recorder.recordIndex(), 40);
	EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
	EXPECT_NE(said.find("less than the 3.0 MB kept free (--keep-free); recording stops"), std::string::npos) << said;
	// Each pair is about 115 kB: the megabyte above the floor holds about nine.
	const int pairs = int(filesIn("video").size() / 2);
	EXPECT_GE(pairs, 8);
	EXPECT_LE(pairs, 10);
	EXPECT_GE(disk - written, (std::uint64_t(3) << 20) - 2 * 60000) << "the floor was passed by more than a pair";
	std::set<std::string> expected;
	for (int i = 0; i < pairs; ++i)
	{
		const std::string n = std::to_string(i);
		expected.insert({"raw" + n + ".png", "game" + n + ".png"});
		EXPECT_EQ(cv::norm(cv::imread("video/raw" + n + ".png"), handed[std::size_t(i)].first, cv::NORM_INF), 0.0) << n;
		EXPECT_EQ(cv::norm(cv::imread("video/game" + n + ".png"), handed[std::size_t(i)].second, cv::NORM_INF), 0.0) << n;
	}
	EXPECT_EQ(filesIn("video"), expected);
}

/// --record video: the camera frames decode from camera.avi exactly as they
/// were (what --source file: replays), a pass without a camera frame is left
/// out of it, and game.avi has every pass's windows side by side.
TEST_F(Recording, TheCameraVideoHoldsEveryFrameExactlyAndTheGameVideoEveryPass)
{
	std::vector<cv::Mat> frames;
	{
		FrameRecorder recorder;
		recorder.setSettings({RecordMode::Video, std::nullopt});
		testing::internal::CaptureStdout();
		recorder.announce();
		testing::internal::GetCapturedStdout();
		const cv::Mat game(480, 640, CV_8UC3, cv::Scalar(0, 0, 0));
		for (int pass = 0; pass < 12; ++pass)
		{
			const cv::Mat camera = pass == 5 ? cv::Mat() : noisyFrame(pass, cv::Size(320, 240));
			if (!camera.empty())
			{
				frames.push_back(camera.clone());
			}
			cv::Mat painted = camera.empty() ? cv::Mat(240, 320, CV_8UC3, cv::Scalar(9, 9, 9)) : camera.clone();
			recorder.recordPass({camera, camera, painted, game});
			painted.setTo(cv::Scalar(1, 2, 3));  // the recorder has copies of its own
		}
		recorder.close();
	}
	EXPECT_EQ(filesIn("video"), (std::set<std::string>{"camera.avi", "game.avi"}));
	cv::VideoCapture replay("video/camera.avi");
	ASSERT_TRUE(replay.isOpened());
	std::size_t read = 0;
	for (cv::Mat frame; replay.read(frame); ++read)
	{
		ASSERT_LT(read, frames.size());
		EXPECT_EQ(cv::norm(frame, frames[read], cv::NORM_INF), 0.0) << "frame " << read;
	}
	EXPECT_EQ(read, frames.size());
	std::string error;
	EXPECT_EQ(aviHeaderFrameCount("video/game.avi", error), 12) << error;
}

/// With a live camera, a recording that makes the loop wait is said once,
/// with the passes a second against the camera's and what to do; without
/// one (a file, a scene) the loop may wait, and nothing is said.
TEST_F(Recording, ARecordingThatCannotKeepUpWithALiveCameraIsSaidOnce)
{
	for (const bool live : {true, false})
	{
		FrameRecorder recorder([](const std::string& path, const std::vector<uchar>& bytes, const RenameTurn& turn) {
			std::this_thread::sleep_for(std::chrono::milliseconds(40));
			return writeWholeFile(path, bytes.data(), bytes.size(), turn);
		});
		recorder.setSettings({RecordMode::Frames, std::nullopt});
		if (live)
		{
			recorder.setLiveCamera(30.0);
		}
		testing::internal::CaptureStdout();
		recorder.announce();
		testing::internal::CaptureStderr();
		const cv::Mat frame = noisyFrame(1), none;
		const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1300);
		while (std::chrono::steady_clock::now() < end)
		{
			const cv::Mat painted = frame.clone();
			recorder.recordPass({frame, frame, painted, none});
		}
		recorder.close();
		const std::string said = testing::internal::GetCapturedStderr();
		testing::internal::GetCapturedStdout();
		if (live)
		{
			EXPECT_EQ(said.rfind("recording cannot keep up: ", 0), 0u) << said;
			EXPECT_NE(said.find(" passes a second against the camera's 30"), std::string::npos) << said;
			EXPECT_NE(said.find("--record video, or --record none) or set the camera to a smaller frame size"),
				std::string::npos) << said;
			EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
		}
		else
		{
			EXPECT_EQ(said, "");
		}
		fs::remove_all("video");
	}
}

}  // namespace
