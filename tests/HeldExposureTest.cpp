#include "PlayedCamera.h"

#include <gtest/gtest.h>

// A live camera's automatic exposure and white balance: held once the board
// is first found, for each of the three kinds of camera, and given back when
// the light changes for good, not when a hand comes into view.

namespace
{

TEST(HeldExposure, HeldAtTheFirstScanWhereTheCameraTakesItAndSaidOnceWhereItDoesNot)
{
	for (const FakeCapture::Kind kind : {FakeCapture::Takes, FakeCapture::Ignores, FakeCapture::Fails})
	{
		PlayedCamera played(kind);
		const PlayedCamera::Said said = played.run(40);
		const std::vector<int> scans = played.program->scanPasses();
		ASSERT_FALSE(scans.empty()) << kind;
		const std::string first = std::to_string(scans.front()) + ": ";
		ASSERT_TRUE(scanFound(played.program->passes[size_t(scans.front() - 1)])) << kind;
		EXPECT_EQ(played.fake->askedOf(cv::CAP_PROP_AUTO_EXPOSURE), std::vector<double>{1.0}) << kind << ": asked once";
		EXPECT_EQ(played.fake->askedOf(cv::CAP_PROP_AUTO_WB), std::vector<double>{0.0}) << kind;
		if (kind == FakeCapture::Takes)
		{
			EXPECT_EQ(played.events("exposureHeld", "exposure"), std::vector<std::string>{first + "156"});
			EXPECT_EQ(played.events("exposureHeld", "temperature"), std::vector<std::string>{first + "4600"});
			EXPECT_EQ(played.fake->askedOf(cv::CAP_PROP_EXPOSURE), std::vector<double>{156.0});
			EXPECT_EQ(timesIn(said.out, "device:0: exposure held at 156, white balance at 4600 K, while the light stays"), 1)
				<< said.out;
			EXPECT_TRUE(played.program->app->lightHold().held());
			continue;
		}
		EXPECT_EQ(played.events("exposureNotHeld", "source"), std::vector<std::string>{first + "\"device:0\""}) << kind;
		EXPECT_TRUE(played.events("exposureHeld", "source").empty()) << kind;
		EXPECT_EQ(timesIn(said.err, "device:0 does not take its exposure or white balance set by hand: they are left to the camera\n"), 1)
			<< kind << ": " << said.err;
		EXPECT_EQ(played.fake->get(cv::CAP_PROP_AUTO_EXPOSURE), kind == FakeCapture::Fails ? -1.0 : 3.0)
			<< kind << ": left as it was";
	}
}

/// A hand over a third of the picture for three seconds keeps the hold; the
/// room's light falling to 60 % gives the controls back after two seconds
/// (not before), and the next scan that finds the board holds them again.
TEST(HeldExposure, GivenBackWhenTheLightChangesForGoodNotForAHand)
{
	PlayedCamera played;
	played.run(20);
	ASSERT_TRUE(played.program->app->lightHold().held());

	played.change = [](cv::Mat& frame) {
		frame(cv::Rect(0, frame.rows / 3, frame.cols, frame.rows / 3)).setTo(cv::Scalar(60, 80, 120));
	};
	played.run(90);
	EXPECT_TRUE(played.program->app->lightHold().held()) << "a hand is no change of the light";

	played.change = [](cv::Mat& frame) { frame.convertTo(frame, -1, 0.6); };
	played.run(55);
	EXPECT_TRUE(played.program->app->lightHold().held()) << "not within two seconds";
	played.run(20);
	EXPECT_FALSE(played.program->app->lightHold().held());
	EXPECT_EQ(played.events("exposureReleased", "reason").size(), 1u);
	EXPECT_EQ(played.fake->get(cv::CAP_PROP_AUTO_EXPOSURE), 3.0) << "the camera's own again";
	EXPECT_EQ(played.fake->get(cv::CAP_PROP_AUTO_WB), 1.0);

	// Something moves, the picture settles again, the board is found: held anew.
	played.change = [](cv::Mat& frame) { frame.setTo(cv::Scalar::all(0)); };
	played.run(1);
	played.change = [](cv::Mat& frame) { frame.convertTo(frame, -1, 0.6); };
	played.run(20);
	EXPECT_TRUE(played.program->app->lightHold().held());
	EXPECT_EQ(played.events("exposureHeld", "source").size(), 2u);
}

/// A picture that keeps changing its light, as the unsettled picture says,
/// gives the controls back at once; a camera opened again holds nothing.
TEST(HeldExposure, GivenBackWhenTheLightKeepsChangingAndForgottenWhenTheCameraReturns)
{
	testing::internal::CaptureStdout();
	FakeCamera camera(FakeCapture::Takes, [](int) { return cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(150)); });
	cv::Mat frame;
	ASSERT_TRUE(camera.source->read(frame));
	Trace trace;
	std::vector<Event> events;
	trace.addSink([&](const PassRecord& record) { events.insert(events.end(), record.events.begin(), record.events.end()); });
	LightHold hold;
	hold.notePass(*camera.source, true, frame, 0.0, trace);
	ASSERT_TRUE(hold.held());
	hold.lightKeepsChanging(*camera.source, trace);
	EXPECT_FALSE(hold.held());

	hold.notePass(*camera.source, true, frame, 1.0, trace);
	ASSERT_TRUE(hold.held());
	camera.fake->plugged = false;
	camera.source->read(frame);
	hold.notePass(*camera.source, false, cv::Mat(480, 640, CV_8UC3), 2.0, trace);
	EXPECT_FALSE(hold.held()) << "a camera opened again starts at its own settings";
	testing::internal::GetCapturedStdout();
	trace.endPass(1, 0, PhysicsScene());
	std::vector<std::string> said;
	for (const Event& event : events)
	{
		said.push_back(event.type + (event.has("reason") ? " " + eventField(event, "reason") : ""));
	}
	EXPECT_EQ(said, (std::vector<std::string>{"exposureHeld", "exposureReleased \"the light keeps changing\"", "exposureHeld"}));
}

}  // namespace
