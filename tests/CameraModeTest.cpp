#include "platform/CameraMode.h"

#include <gtest/gtest.h>
#include <opencv2/videoio.hpp>

namespace
{

std::string parsed(const std::string& text)
{
	CameraMode mode;
	return parseCameraMode(text, mode) ? describeMode(mode) : "refused";
}

TEST(CameraMode, TheCommandLinesModesAndTheirLimits)
{
	const std::pair<const char*, const char*> cases[] = {
		{"1280x720@30:mjpg", "1280 x 720 at 30 frames a second, MJPG"},
		{"640x480", "640 x 480"},
		{"1920x1080:raw", "1920 x 1080, YUYV"},
		{"320x240@7.5", "320 x 240 at 7.5 frames a second"},
		{"16384x16384@1000", "16384 x 16384 at 1000 frames a second"},
		{"", "refused"},
		{"1280", "refused"},
		{"1280x", "refused"},
		{"x720", "refused"},
		{"1280X720", "refused"},
		{"0x720", "refused"},
		{"1280x720@", "refused"},
		{"1280x720@0", "refused"},
		{"1280x720@1e3", "refused"},
		{"1280x720@0x1e", "refused"},
		{"1280x720@1001", "refused"},
		{"16385x720", "refused"},
		{"-1280x720", "refused"},
		{"1280x720:h264", "refused"},
		{"1280x720:MJPG", "refused"},
		{"1280x720:", "refused"},
		{"1280x720@30:mjpg ", "refused"},
		{"1280x720:mjpg@30", "refused"},
		{"99999999999999999999x720", "refused"},
	};
	for (const auto& [text, read] : cases)
	{
		EXPECT_EQ(parsed(text), read) << '"' << text << '"';
	}
}

/// With nothing asked, play wants 1280 x 720 at 30 frames a second; a
/// camera that lacks it gets the mode nearest to it, at least 640 x 480.
TEST(CameraMode, PlayAsksFor1280x720At30OrTheNearestTheCameraOffers)
{
	const auto mode = [](int w, int h, double fps, const char* format) { return CameraMode{cv::Size(w, h), fps, format}; };
	const struct
	{
		const char* camera;
		std::vector<CameraMode> offered;
		const char* chosen;
	} cases[] = {
		{"a common webcam: high definition as JPEG only, raw at 7.5",
			{mode(640, 480, 30, "YUYV"), mode(1280, 720, 7.5, "YUYV"), mode(1280, 720, 30, "MJPG"),
				mode(1280, 720, 15, "MJPG"), mode(1920, 1080, 30, "MJPG")},
			"1280 x 720 at 30 frames a second, MJPG"},
		{"raw and JPEG both at 30: raw", {mode(1280, 720, 30, "MJPG"), mode(1280, 720, 30, "YUYV")},
			"1280 x 720 at 30 frames a second, YUYV"},
		{"60 and 30: 30", {mode(1280, 720, 60, "MJPG"), mode(1280, 720, 30, "MJPG")},
			"1280 x 720 at 30 frames a second, MJPG"},
		{"60 only", {mode(1280, 720, 60, "MJPG"), mode(640, 480, 30, "MJPG")}, "1280 x 720 at 60 frames a second, MJPG"},
		{"high definition only too slow to play", {mode(1280, 720, 10, "YUYV"), mode(640, 480, 30, "YUYV")},
			"640 x 480 at 30 frames a second, YUYV"},
		{"four by three only", {mode(800, 600, 30, "MJPG"), mode(1024, 768, 30, "MJPG"), mode(1280, 960, 30, "MJPG")},
			"1024 x 768 at 30 frames a second, MJPG"},
		{"nothing smaller than 640 x 480 while it offers that",
			{mode(320, 240, 30, "YUYV"), mode(640, 480, 30, "YUYV"), mode(352, 288, 30, "MJPG")},
			"640 x 480 at 30 frames a second, YUYV"},
		{"a small camera: its largest", {mode(320, 240, 30, "YUYV"), mode(160, 120, 30, "YUYV")},
			"320 x 240 at 30 frames a second, YUYV"},
		{"formats the program does not ask for are passed over",
			{mode(1280, 720, 30, "H264"), mode(640, 480, 30, "YUYV")}, "640 x 480 at 30 frames a second, YUYV"},
		{"a camera that does not say", {}, "1280 x 720 at 30 frames a second"},
		{"nothing it says in a known format", {mode(1280, 720, 30, "H264")}, "1280 x 720 at 30 frames a second"},
	};
	for (const auto& c : cases)
	{
		EXPECT_EQ(describeMode(choosePlayingMode(c.offered)), c.chosen) << c.camera;
	}
}

TEST(CameraMode, FourCharacterCodesBothWays)
{
	for (const char* format : {"MJPG", "YUYV"})
	{
		EXPECT_EQ(fourccText(fourccValue(format)), format);
	}
	EXPECT_EQ(fourccValue("MJPG"), double(cv::VideoWriter::fourcc('M', 'J', 'P', 'G')));
	// What a driver that does not say gives: nothing readable.
	for (const double unreadable : {0.0, -1.0, 1e12, 10.0})
	{
		EXPECT_EQ(fourccText(unreadable), "") << unreadable;
	}
	EXPECT_EQ(describeMode(CameraMode()), "the camera's own mode");
}

}  // namespace
