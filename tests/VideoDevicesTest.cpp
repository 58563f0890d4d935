#include "platform/VideoDevices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

// The cameras as --list-cameras and the line for a missing camera name them:
// found among a folder's files as the kernel's /dev holds them, and written
// out with what each offers.

namespace
{

/// Only files named videoN are asked; a file that is no V4L2 device (the
/// kernel's other files, a regular file) is no camera; a device file that
/// cannot be opened is a camera with why, so that the user is told.
TEST(VideoDevices, OnlyVideoFilesThatCaptureOrCannotBeOpenedAreCameras)
{
	const fs::path folder = fs::temp_directory_path() / ("drawtable-dev-" + std::to_string(::getpid()));
	fs::remove_all(folder);
	fs::create_directories(folder);
	for (const char* name : {"video0", "videox", "video", "video12345", "media0"})
	{
		std::ofstream(folder / name) << "not a device";
	}
	// A device file whose device has gone: its name is there, opening it fails.
	fs::create_symlink(folder / "gone", folder / "video3");
	const std::vector<VideoDevice> found = findVideoDevices(folder.string());
	ASSERT_EQ(found.size(), 1u);
	EXPECT_EQ(found[0].index, 3);
	EXPECT_EQ(found[0].path, (folder / "video3").string());
	EXPECT_EQ(found[0].problem, "No such file or directory");
	EXPECT_TRUE(found[0].modes.empty());
	EXPECT_EQ(cameraNames(found), (folder / "video3").string() + " (cannot be opened: No such file or directory)");
	EXPECT_TRUE(offeredModes((folder / "video0").string()).empty()) << "a regular file offers nothing";
	fs::remove_all(folder);
	EXPECT_TRUE(findVideoDevices(folder.string()).empty()) << "a folder that is not there holds no camera";
}

/// Each camera on a line of its own, then its sizes by format with their
/// rates in the order the camera gives them; no camera is one line that
/// says what to do.
TEST(VideoDevices, TheListNamesEachCameraWithItsSizesAndRatesByFormat)
{
	EXPECT_EQ(cameraListText({}),
		"no camera found: no /dev/video* device captures video; plug one in, or play with --source demo\n");
	EXPECT_EQ(cameraNames({}), "none");

	VideoDevice webcam;
	webcam.path = "/dev/video0";
	webcam.index = 0;
	webcam.name = "HD Webcam";
	webcam.modes = {{cv::Size(640, 480), 30.0, "YUYV"}, {cv::Size(640, 480), 15.0, "YUYV"},
		{cv::Size(1280, 720), 10.0, "YUYV"}, {cv::Size(1280, 720), 60.0, "MJPG"}, {cv::Size(1280, 720), 30.0, "MJPG"},
		{cv::Size(1920, 1080), 7.5, "MJPG"}};
	VideoDevice barred;
	barred.path = "/dev/video2";
	barred.index = 2;
	barred.problem = "Permission denied";
	EXPECT_EQ(cameraListText({webcam, barred}),
		"device:0  /dev/video0  HD Webcam\n"
		"    YUYV    640 x 480   30, 15 frames a second\n"
		"    YUYV   1280 x 720   10 frames a second\n"
		"    MJPG   1280 x 720   60, 30 frames a second\n"
		"    MJPG   1920 x 1080  7.5 frames a second\n"
		"device:2  /dev/video2  cannot be opened: Permission denied\n");
	EXPECT_EQ(cameraNames({webcam, barred}), "/dev/video0 (HD Webcam), /dev/video2 (cannot be opened: Permission denied)");
}

}  // namespace
