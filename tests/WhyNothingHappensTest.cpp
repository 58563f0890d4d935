#include "TestSupport.h"

#include "scenes/ScriptedBoardCamera.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <functional>
#include <sstream>

// A table that does not react says why, once a still period, on the console
// and in the scan's trace event; and a camera whose frames are not of the
// size it reported is followed rather than refused.

namespace
{

cv::Mat demoBoard(const CameraPose& pose = viewOfBoard(480, 10, 0))
{
	std::string error;
	const auto camera = SyntheticBoardCamera::fromFiles(
		"Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", demoDrawing(), pose, error);
	EXPECT_TRUE(camera) << error;
	return camera ? camera->picture().clone() : cv::Mat();
}

/// A program over a still picture, counting what it says on the console.
struct Watched
{
	explicit Watched(cv::Mat picture) : Watched(std::make_unique<StillFrameSource>(std::move(picture))) {}

	explicit Watched(std::unique_ptr<StillFrameSource> still)
	{
		camera = still.get();
		::testing::internal::CaptureStdout();
		program = std::make_unique<TestProgram>(std::move(still));
		::testing::internal::GetCapturedStdout();
	}

	/// Run passes; returns what they wrote on standard error, but the
	/// recorder's note, said once a process, that there is no video folder.
	std::string run(int passes)
	{
		::testing::internal::CaptureStderr();
		::testing::internal::CaptureStdout();
		program->run(passes);
		::testing::internal::GetCapturedStdout();
		std::istringstream lines(::testing::internal::GetCapturedStderr());
		std::string said;
		for (std::string line; std::getline(lines, line);)
		{
			said += line.find("no folder \"video\"") == std::string::npos ? line + "\n" : "";
		}
		return said;
	}

	/// The reason given by the last scan event, or "" when it gave none.
	std::string lastReason() const
	{
		for (auto record = program->passes.rbegin(); record != program->passes.rend(); ++record)
		{
			for (const Event* scan : record->eventsOf("scan"))
			{
				for (const auto& [key, value] : scan->fields)
				{
					if (key == "reason")
					{
						return value;
					}
				}
				return "";
			}
		}
		return "(no scan)";
	}

	StillFrameSource* camera = nullptr;
	std::unique_ptr<TestProgram> program;
};

TEST(WhyNothingHappens, EachReasonIsSaidOnceAStillPeriodAndCarriedByTheScanEvent)
{
	// No board in view: the scan in pass 16 says so, the retry 15 passes later
	// keeps quiet, and after motion it is said again.
	Watched blank(cv::Mat(480, 640, CV_8UC3, cv::Scalar(128, 128, 128)));
	EXPECT_EQ(blank.run(16), "not scanned: board not found: 0 of its 6 markers seen\n");
	EXPECT_EQ(blank.lastReason(), "\"not scanned: board not found: 0 of its 6 markers seen\"");
	EXPECT_EQ(blank.run(15), "");
	EXPECT_EQ(blank.program->scanPasses(), (std::vector<int>{16, 31}));
	blank.camera->picture = cv::Mat(480, 640, CV_8UC3, cv::Scalar(40, 40, 40));
	EXPECT_EQ(blank.run(16), "not scanned: board not found: 0 of its 6 markers seen\n");

	// Paused.
	Watched paused(demoBoard());
	paused.program->display->pushKey('p');
	EXPECT_EQ(paused.run(16), "not scanned: scanning is paused (press p to go on)\n");

	// The top-left and top-right markers swapped: every marker is found, but
	// no pose of one flat board fits them all.
	std::string error;
	const auto straight = SyntheticBoardCamera::fromFiles("Data/camera_para.dat", "Data/markers/marker.dat",
		"Data/markers/portal.dat", demoDrawing(), viewOfBoard(480, 0, 0), error);
	ASSERT_TRUE(straight) << error;
	cv::Mat swapped = straight->picture().clone();
	const cv::Point2f topLeft = straight->truth().cornerCentres[0], topRight = straight->truth().cornerCentres[1];
	const cv::Rect left(cv::Point(topLeft) - cv::Point(36, 36), cv::Size(72, 72));
	const cv::Rect right(cv::Point(topRight) - cv::Point(36, 36), cv::Size(72, 72));
	const cv::Mat leftPatch = swapped(left).clone();
	swapped(right).copyTo(swapped(left));
	leftPatch.copyTo(swapped(right));
	Watched uncertain(swapped);
	const std::string said = uncertain.run(16);
	EXPECT_EQ(said.find("not scanned: board pose too uncertain: 6 of 6 markers seen, reprojection error "), 0u) << said;
	EXPECT_NE(said.find("limit 100 (pixels squared)"), std::string::npos) << said;

	// A scan that found the board and built nothing: a hand over it. The
	// scan event carries the reason, the hand event the share.
	Watched found(demoBoard());
	EXPECT_EQ(found.run(16), "");
	EXPECT_EQ(found.lastReason(), "");
}

TEST(WhyNothingHappens, AHandOverTheBoardIsNamedWithItsShare)
{
	std::string error;
	auto camera = SyntheticBoardCamera::fromFiles("Data/camera_para.dat", "Data/markers/marker.dat",
		"Data/markers/portal.dat", demoDrawing(), viewOfBoard(480, 10, 0), error);
	ASSERT_TRUE(camera) << error;
	SheetImage sheet = camera->sheet();
	sheet.image = sheet.image.clone();
	drawHand(sheet, *camera, cv::Point2f(330.0f, 270.0f));
	BoardCameraFiles files;
	ASSERT_TRUE(readBoardCameraFiles(
		"Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", files, error));
	const SyntheticBoardCamera withHand(sheet, files.board, files.camera, viewOfBoard(480, 10, 0));

	Watched hand(withHand.picture().clone());
	const std::string said = hand.run(16);
	ASSERT_EQ(said.find("scan held back: a hand over "), 0u) << said;
	const PassRecord& rescan = hand.program->passes.back();
	ASSERT_EQ(rescan.eventsOf("hand").size(), 1u);
	const double share = rescan.eventsOf("hand")[0]->number("share");
	EXPECT_GT(share, 10.0 / 255.0);
	EXPECT_EQ(said, "scan held back: a hand over " + std::to_string(int(std::lround(share * 100.0))) + " % of the board\n");
	EXPECT_EQ(hand.lastReason(), "\"" + said.substr(0, said.size() - 1) + "\"");
}

/// A camera that reports one frame size and delivers another, as some drivers do.
class MisreportingCamera : public StillFrameSource
{
public:
	using StillFrameSource::StillFrameSource;
	cv::Size frameSize() const override { return cv::Size(640, 480); }
};

TEST(WhyNothingHappens, FramesOfAnotherSizeThanReportedScaleTheCameraOnceAndAreScanned)
{
	cv::Mat large;
	cv::resize(demoBoard(), large, cv::Size(1280, 960), 0, 0, cv::INTER_LINEAR);
	Watched watched(std::make_unique<MisreportingCamera>(large));
	const BoardScanner& scanner = watched.program->app->scanner();
	ASSERT_EQ(scanner.frameSize().width, 640);

	EXPECT_EQ(watched.run(16), "the camera delivers frames of 1280 x 960, not the 640 x 480 it reported at "
							   "start-up; its parameters are scaled to 1280 x 960\n");
	const PassRecord& rescan = watched.program->passes.back();
	EXPECT_EQ(rescan.eventsOf("scan").at(0)->fields.at(0).second, "true");
	EXPECT_EQ(rescan.eventsOf("ball").size(), 1u);
	EXPECT_EQ(scanner.cameraParam().xsize, 1280);
	EXPECT_DOUBLE_EQ(scanner.cameraParam().mat[0][0], 1320.0);  // 660 at 640 wide

	// Said once: the next scan of frames of that size is quiet.
	watched.camera->picture = cv::Mat(960, 1280, CV_8UC3, cv::Scalar::all(90));
	watched.run(1);
	watched.camera->picture = large;
	EXPECT_EQ(watched.run(16), "");
	EXPECT_EQ(watched.program->passes.back().eventsOf("scan").at(0)->fields.at(0).second, "true");
}

}  // namespace

namespace
{

/// A camera whose every frame is made afresh from the pass it is read in.
class MadeFrames : public FrameSource
{
public:
	explicit MadeFrames(std::function<cv::Mat(int)> make) : make(std::move(make)) {}
	bool isOpened() const override { return true; }
	bool read(cv::Mat& frame) override
	{
		frame = make(++reads);
		return true;
	}
	bool pacesItself() const override { return false; }
	cv::Size frameSize() const override { return cv::Size(640, 480); }
	std::string describe() const override { return "made frames"; }

private:
	std::function<cv::Mat(int)> make;
	int reads = 0;
};

/// What a program whose picture never keeps still says over 11 seconds of
/// passes at 30 a second.
std::string saidWhenUnsettled(std::function<cv::Mat(int)> make)
{
	TestProgram program(std::make_unique<MadeFrames>(std::move(make)));
	program.app->setClock([&program] { return program.app->passCount() / 30.0; });
	::testing::internal::CaptureStderr();
	program.run(330);
	std::istringstream lines(::testing::internal::GetCapturedStderr());
	std::string said;
	for (std::string line; std::getline(lines, line);)
	{
		said += line.find("no folder \"video\"") == std::string::npos ? line + "\n" : "";
	}
	int events = 0;
	for (const PassRecord& record : program.passes)
	{
		events += int(record.eventsOf("unsettled").size());
	}
	EXPECT_EQ(events, said.empty() ? 0 : 1) << said;
	EXPECT_TRUE(program.scanPasses().empty());
	return said;
}

}  // namespace

/// A picture that never keeps still with the board in view is said once,
/// after ten seconds, with its cause and what to do; without a board nothing
/// is said (nothing could be scanned anyway).
TEST(WhyNothingHappens, APictureThatNeverSettlesIsSaidOnceWithItsCause)
{
	const cv::Mat board = demoBoard();
	const std::string waited = "the camera picture has not kept still for 10 seconds, so the board is not scanned: ";

	const std::string moving = saidWhenUnsettled([&](int pass) {
		cv::Mat frame = board.clone();
		cv::circle(frame, cv::Point(100 + 8 * (pass % 30), 420), 30, cv::Scalar(60, 90, 160), cv::FILLED);
		return frame;
	});
	EXPECT_EQ(moving.find(waited + "something keeps moving in view"), 0u) << moving;

	const std::string flickering = saidWhenUnsettled([&](int pass) {
		return pass % 2 == 0 ? board.clone() : cv::Mat(board * 0.25);
	});
	EXPECT_EQ(flickering.find(waited + "the light flickers"), 0u) << flickering;
	EXPECT_NE(flickering.find("anti-flicker"), std::string::npos) << flickering;

	const std::string noisy = saidWhenUnsettled([&](int pass) {
		cv::Mat grain(board.size(), CV_8UC3);
		cv::RNG(uint64_t(pass)).fill(grain, cv::RNG::UNIFORM, 0, 160);
		cv::Mat frame;
		cv::addWeighted(board, 0.6, grain, 0.6, 0.0, frame);
		return frame;
	});
	EXPECT_EQ(noisy.find(waited + "the picture is noisy"), 0u) << noisy;

	const std::string noBoard = saidWhenUnsettled([](int pass) {
		return cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(pass % 2 == 0 ? 200 : 60));
	});
	EXPECT_EQ(noBoard, "");
}
