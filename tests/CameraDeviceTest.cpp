#include "FakeCapture.h"

#include <gtest/gtest.h>

// The camera seam: what a live camera is asked through OpenCV's V4L2 capture
// (its mode, its exposure and white balance), answered by a camera that
// takes it, one that ignores it and one that refuses it; and a camera that
// is not there, or stops giving frames, looked for until it is back.

namespace
{

cv::Mat grey(int)
{
	return cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128));
}

/// A camera opened with `settings`, and the line it said.
struct Opened
{
	Opened(FakeCapture::Kind kind, DeviceSettings settings)
	{
		testing::internal::CaptureStdout();
		camera = std::make_unique<FakeCamera>(kind, grey, std::move(settings));
		said = testing::internal::GetCapturedStdout();
	}

	std::unique_ptr<FakeCamera> camera;
	std::string said;
};

TEST(CameraDevice, AsksForItsModeThroughV4l2AndSaysWhatTheCameraGave)
{
	const CameraMode highDefinition{cv::Size(1280, 720), 30.0, jpegFormat};
	const std::vector<CameraMode> webcam = {{cv::Size(640, 480), 30.0, rawFormat}, {cv::Size(1280, 720), 10.0, rawFormat},
		{cv::Size(1280, 720), 30.0, jpegFormat}};
	const struct
	{
		const char* what;
		FakeCapture::Kind kind;
		CameraMode asked;
		std::vector<CameraMode> offered;
		std::vector<int> properties;
		const char* said;
	} cases[] = {
		{"asked in full, taken", FakeCapture::Takes, highDefinition, {},
			{cv::CAP_PROP_FOURCC, cv::CAP_PROP_FRAME_WIDTH, cv::CAP_PROP_FRAME_HEIGHT, cv::CAP_PROP_FPS},
			"device:0: asked for 1280 x 720 at 30 frames a second, MJPG; the camera gives 1280 x 720 at 30 frames a "
			"second, MJPG\n"},
		{"asked in full, ignored", FakeCapture::Ignores, highDefinition, {},
			{cv::CAP_PROP_FOURCC, cv::CAP_PROP_FRAME_WIDTH, cv::CAP_PROP_FRAME_HEIGHT, cv::CAP_PROP_FPS},
			"device:0: asked for 1280 x 720 at 30 frames a second, MJPG; the camera gives 640 x 480 at 30 frames a "
			"second, YUYV\n"},
		{"the old size only", FakeCapture::Takes, {cv::Size(640, 480), 0.0, ""}, {},
			{cv::CAP_PROP_FRAME_WIDTH, cv::CAP_PROP_FRAME_HEIGHT},
			"device:0: asked for 640 x 480; the camera gives 640 x 480 at 30 frames a second, YUYV\n"},
		{"nothing asked: chosen among what it offers", FakeCapture::Takes, {}, webcam,
			{cv::CAP_PROP_FOURCC, cv::CAP_PROP_FRAME_WIDTH, cv::CAP_PROP_FRAME_HEIGHT, cv::CAP_PROP_FPS},
			"device:0: asked for 1280 x 720 at 30 frames a second, MJPG; the camera gives 1280 x 720 at 30 frames a "
			"second, MJPG\n"},
		{"nothing asked of a camera that does not say what it offers", FakeCapture::Ignores, {}, {},
			{cv::CAP_PROP_FRAME_WIDTH, cv::CAP_PROP_FRAME_HEIGHT, cv::CAP_PROP_FPS},
			"device:0: asked for 1280 x 720 at 30 frames a second; the camera gives 640 x 480 at 30 frames a second, "
			"YUYV\n"},
	};
	for (const auto& c : cases)
	{
		DeviceSettings settings = FakeCamera::quick();
		settings.asked = c.asked;
		const std::vector<CameraMode> offered = c.offered;
		settings.offered = [offered](int) { return offered; };
		const Opened opened(c.kind, settings);
		std::vector<int> properties;
		for (const auto& [property, value] : opened.camera->fake->asked)
		{
			properties.push_back(property);
		}
		EXPECT_EQ(properties, c.properties) << c.what;
		EXPECT_EQ(opened.said, c.said) << c.what;
		EXPECT_TRUE(opened.camera->fake->opened) << c.what << ": opened through V4L2";
	}
}

/// Held, the camera's automatic controls go off at the values they reached;
/// released, they are the camera's again as they were. A camera that does
/// not take them is left as it was.
TEST(CameraDevice, HoldsTheLightWhereTheCameraTakesItAndLeavesItAloneElsewhere)
{
	using P = std::vector<std::pair<int, double>>;
	const struct
	{
		FakeCapture::Kind kind;
		double exposureModeBefore;
		bool held;
		P asked;
	} cases[] = {
		{FakeCapture::Takes, 3.0, true,
			{{cv::CAP_PROP_AUTO_EXPOSURE, 1.0}, {cv::CAP_PROP_EXPOSURE, 156.0}, {cv::CAP_PROP_AUTO_WB, 0.0},
				{cv::CAP_PROP_WB_TEMPERATURE, 4600.0}, {cv::CAP_PROP_AUTO_EXPOSURE, 3.0}, {cv::CAP_PROP_AUTO_WB, 1.0}}},
		// Set by hand before the program started: it stays so.
		{FakeCapture::Takes, 1.0, true,
			{{cv::CAP_PROP_AUTO_EXPOSURE, 1.0}, {cv::CAP_PROP_EXPOSURE, 156.0}, {cv::CAP_PROP_AUTO_WB, 0.0},
				{cv::CAP_PROP_WB_TEMPERATURE, 4600.0}, {cv::CAP_PROP_AUTO_EXPOSURE, 1.0}, {cv::CAP_PROP_AUTO_WB, 1.0}}},
		{FakeCapture::Ignores, 3.0, false, {{cv::CAP_PROP_AUTO_EXPOSURE, 1.0}, {cv::CAP_PROP_AUTO_WB, 0.0}}},
		{FakeCapture::Fails, 3.0, false, {{cv::CAP_PROP_AUTO_EXPOSURE, 1.0}, {cv::CAP_PROP_AUTO_WB, 0.0}}},
	};
	for (const auto& c : cases)
	{
		const Opened opened(c.kind, FakeCamera::quick());
		FakeCapture& fake = *opened.camera->fake;
		fake.ownValues[cv::CAP_PROP_AUTO_EXPOSURE] = c.exposureModeBefore;
		fake.asked.clear();
		CameraFrameSource& camera = *opened.camera->source;
		const HeldLight held = camera.holdLight();
		EXPECT_EQ(held.exposure, c.held) << c.kind;
		EXPECT_EQ(held.whiteBalance, c.held) << c.kind;
		if (c.held)
		{
			EXPECT_EQ(held.exposureValue, 156.0);
			EXPECT_EQ(held.temperature, 4600.0);
		}
		camera.releaseLight();
		EXPECT_EQ(fake.asked, c.asked) << c.kind;
		EXPECT_EQ(fake.get(cv::CAP_PROP_AUTO_EXPOSURE), c.kind == FakeCapture::Fails ? -1.0 : c.exposureModeBefore)
			<< c.kind;
	}
}

/// The exposure is lowered in V4L2's manual mode (1), which V4L2 cameras
/// take; and it stays where it was put when the light is given back.
TEST(CameraDevice, LowersTheExposureInV4l2sManualModeAndKeepsItThere)
{
	for (const FakeCapture::Kind kind : {FakeCapture::Takes, FakeCapture::Ignores, FakeCapture::Fails})
	{
		const Opened opened(kind, FakeCamera::quick());
		FakeCapture& fake = *opened.camera->fake;
		CameraFrameSource& camera = *opened.camera->source;
		EXPECT_EQ(camera.scaleExposure(0.7), kind == FakeCapture::Takes) << kind;
		if (kind != FakeCapture::Takes)
		{
			continue;
		}
		EXPECT_EQ(fake.askedOf(cv::CAP_PROP_AUTO_EXPOSURE), std::vector<double>{1.0});
		ASSERT_EQ(fake.askedOf(cv::CAP_PROP_EXPOSURE).size(), 1u);
		EXPECT_NEAR(fake.askedOf(cv::CAP_PROP_EXPOSURE)[0], 109.2, 1e-9);
		camera.holdLight();
		camera.releaseLight();
		EXPECT_EQ(fake.get(cv::CAP_PROP_AUTO_EXPOSURE), 1.0) << "the lowered exposure stays by hand";
		EXPECT_EQ(fake.get(cv::CAP_PROP_AUTO_WB), 1.0) << "the white balance is the camera's again";
	}
}

/// A camera that stops giving frames is lost, let go of and opened again at
/// every try until it gives frames; back, it is asked for its mode again and
/// starts at its own light settings. Without looking, a failed read stays failed.
TEST(CameraDevice, ACameraThatStopsIsOpenedAgainUntilItGivesFrames)
{
	testing::internal::CaptureStdout();
	FakeCamera looked(FakeCapture::Takes, grey);
	FakeCapture& fake = *looked.fake;
	CameraFrameSource& camera = *looked.source;
	cv::Mat frame;
	EXPECT_EQ(camera.presence(), CameraPresence::NotFound) << "no frame yet";
	ASSERT_TRUE(camera.read(frame));
	EXPECT_EQ(camera.presence(), CameraPresence::Delivering);
	EXPECT_TRUE(camera.holdLight().any());

	fake.plugged = false;
	for (int i = 0; i < 3; ++i)
	{
		EXPECT_FALSE(camera.read(frame));
		EXPECT_TRUE(frame.empty());
		EXPECT_EQ(camera.presence(), CameraPresence::Lost);
		EXPECT_FALSE(fake.opened) << "let go of";
		EXPECT_TRUE(camera.isOpened()) << "frames may still come";
	}
	EXPECT_EQ(fake.opens, 3) << "opened again at the second and third read";
	fake.plugged = true;
	fake.asked.clear();
	ASSERT_TRUE(camera.read(frame));
	EXPECT_EQ(camera.presence(), CameraPresence::Delivering);
	EXPECT_EQ(fake.askedOf(cv::CAP_PROP_FRAME_WIDTH), std::vector<double>{640.0}) << "its mode asked again";
	camera.holdLight();
	EXPECT_EQ(fake.askedOf(cv::CAP_PROP_AUTO_EXPOSURE), std::vector<double>{1.0}) << "held again, not taken as held";
	const std::string said = testing::internal::GetCapturedStdout();
	EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << "the mode is said again only when the camera gives another: " << said;

	DeviceSettings once = FakeCamera::quick();
	once.keepLooking = false;
	testing::internal::CaptureStdout();
	FakeCamera left(FakeCapture::Takes, grey, once);
	testing::internal::GetCapturedStdout();
	ASSERT_TRUE(left.source->read(frame));
	left.fake->plugged = false;
	EXPECT_FALSE(left.source->read(frame));
	EXPECT_FALSE(left.source->read(frame));
	EXPECT_EQ(left.fake->opens, 1);
}

/// Not there at the start, a camera is looked for once a retry's time has
/// passed, on the settings' clock, until it is plugged in.
TEST(CameraDevice, NotThereAtStartItIsLookedForEverySecond)
{
	double now = 100.0;
	DeviceSettings settings = FakeCamera::quick();
	settings.retrySeconds = 1.0;
	settings.clock = [&now] { return now; };
	FakeCamera late(FakeCapture::Takes, grey, settings, false);
	CameraFrameSource& camera = *late.source;
	EXPECT_TRUE(camera.isOpened());
	EXPECT_EQ(camera.frameSize(), cv::Size()) << "no size before it is there";
	cv::Mat frame;
	for (const double t : {100.0, 100.5, 100.99, 101.0, 101.5, 102.1})
	{
		now = t;
		EXPECT_FALSE(camera.read(frame));
		EXPECT_EQ(camera.presence(), CameraPresence::NotFound);
	}
	EXPECT_EQ(late.fake->opens, 3) << "at the start, after one second and after two";
	late.fake->plugged = true;
	now = 102.5;
	EXPECT_FALSE(camera.read(frame)) << "not yet tried again";
	testing::internal::CaptureStdout();
	now = 103.1;
	EXPECT_TRUE(camera.read(frame));
	EXPECT_EQ(testing::internal::GetCapturedStdout(),
		"device:0: asked for 640 x 480 at 30 frames a second; the camera gives 640 x 480 at 30 frames a second, YUYV\n");
	EXPECT_EQ(camera.presence(), CameraPresence::Delivering);
	EXPECT_EQ(camera.frameSize(), cv::Size(640, 480));
}

}  // namespace
