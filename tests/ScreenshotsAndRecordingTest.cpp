#include "FreshFolder.h"
#include "TestSupport.h"

#include "app/DebugWindows.h"
#include "physics/BodyFactories.h"

#include <gtest/gtest.h>
#include <opencv2/highgui.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace
{

/// A fresh folder with a program working in it. The program is made where
/// the tests run, beside the data files it reads at start.
class WithProgram : public InFreshFolder
{
protected:
	WithProgram()
	{
		fs::current_path(previous);
		program = TestProgram::still();
		fs::current_path(folder);
	}

	std::unique_ptr<TestProgram> program;

	/// A program that has scanned and analysed a board with a stroke drawn
	/// from (100, y) to (300, y + 20): every image it can save exists, and its
	/// camera sees the board 1:1 with a ball at board (300, 50).
	void scanned(int y = 400)
	{
		RectifiedBoard board;
		board.setHomography(cv::Mat::eye(3, 3, CV_64F));
		board.grey = cv::Mat(480, 640, CV_8UC1, cv::Scalar(77));
		board.colour = cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(235));
		cv::line(board.colour, cv::Point(100, y), cv::Point(300, y + 20), cv::Scalar::all(30), 3);
		board.rectifications = 1;
		::testing::internal::CaptureStdout();
		program->app->analyseScannedBoard(board);
		::testing::internal::GetCapturedStdout();
		createBall(program->app->scene(), 20.0f, 15.0f, 1.0f);
	}

	void click(const std::string& window, int event = cv::EVENT_LBUTTONDOWN)
	{
		program->display->pushMouse(window, event, 10, 10);
	}
};

using ScreenshotsTest = WithProgram;

TEST_F(ScreenshotsTest, LeftClicksSaveTheGreyBoardThePaintedPictureAndTheContours)
{
	scanned();
	click("warped");
	click("normal");
	click("cont");
	program->run(1);
	EXPECT_EQ(filesIn("."), (std::set<std::string>{"ss_cont.png", "ss_normal.png", "ss_warped.png"}));

	// "warped" shows the colour board but saves the grey one.
	const cv::Mat grey = cv::imread("ss_warped.png", cv::IMREAD_UNCHANGED);
	EXPECT_EQ(grey.type(), CV_8UC1);
	EXPECT_EQ(grey.size(), cv::Size(640, 480));
	// "normal" saves the camera picture with the bodies, not turned.
	const cv::Mat normal = cv::imread("ss_normal.png");
	EXPECT_EQ(cv::norm(normal, program->app->views().camera, cv::NORM_INF), 0.0);
	EXPECT_EQ(normal.at<cv::Vec3b>(51, 300), cv::Vec3b(255, 128, 128));

	// "cont" saves the contours of the last rescan, the stroke's among them.
	const cv::Mat contours = cv::imread("ss_cont.png");
	EXPECT_EQ(cv::norm(contours, program->app->ink().contourImage, cv::NORM_INF), 0.0);
	EXPECT_GT(cv::countNonZero(contours.reshape(1)), 0);

	// A second click replaces the file: another drawing, another picture.
	scanned(300);
	click("cont");
	program->run(1);
	const cv::Mat again = cv::imread("ss_cont.png");
	EXPECT_EQ(cv::norm(again, program->app->ink().contourImage, cv::NORM_INF), 0.0);
	EXPECT_GT(cv::norm(again, contours, cv::NORM_INF), 0.0);
}

TEST_F(ScreenshotsTest, OtherEventsAndOtherWindowsSaveNothing)
{
	scanned();
	for (const char* window : {"warped", "normal", "cont"})
	{
		for (const int event : {cv::EVENT_RBUTTONDOWN, cv::EVENT_MBUTTONDOWN, cv::EVENT_MOUSEMOVE,
				 cv::EVENT_LBUTTONUP, cv::EVENT_LBUTTONDBLCLK})
		{
			click(window, event);
		}
	}
	click("skewbinary");  // has no handler
	program->run(1);
	const Application& app = *program->app;
	const ScreenshotSources sources{app.board(), app.views(), app.ink()};
	onDebugWindowMouse(sources, cv::EVENT_LBUTTONDOWN, "game");
	onDebugWindowMouse(sources, cv::EVENT_LBUTTONDOWN, "warped ");
	EXPECT_TRUE(filesIn(".").empty());
}

TEST_F(ScreenshotsTest, ImagesNotMadeYetAndUnwritableFilesAreSkipped)
{
	fs::create_directory("ss_normal.png");  // a file of that name cannot be written
	click("warped");  // before the first scan: no board image yet
	click("cont");
	click("normal");
	EXPECT_NO_THROW(program->run(1));
	EXPECT_EQ(filesIn("."), std::set<std::string>{"ss_normal.png"});
}

/// Notes the order in which windows are created and given handlers.
class LoggingDisplay : public HeadlessDisplay
{
public:
	explicit LoggingDisplay(std::vector<std::string>& log) : log(log) {}

	void createWindow(const std::string& name) override
	{
		log.push_back("create " + name);
		HeadlessDisplay::createWindow(name);
	}

	bool setMouseHandler(const std::string& name, MouseHandler handler) override
	{
		const bool attached = HeadlessDisplay::setMouseHandler(name, std::move(handler));
		log.push_back((attached ? "handle " : "refused ") + name);
		return attached;
	}

private:
	std::vector<std::string>& log;
};

TEST(Windows, EachIsCreatedBeforeItsHandlerInStartUpOrder)
{
	std::vector<std::string> log;
	Application app(std::make_unique<StillFrameSource>(cv::Mat()), std::make_unique<LoggingDisplay>(log));
	ASSERT_EQ(app.start(), 0);
	EXPECT_EQ(log, (std::vector<std::string>{"create game", "handle game", "create warped", "handle warped",
					   "create normal", "handle normal", "create cont", "handle cont"}));
}

using RecordingTest = WithProgram;

TEST_F(RecordingTest, EveryPassWritesTheMotionFrameAndThePaintedPictureNumberedFromZero)
{
	fs::create_directory("video");
	scanned();
	program->run(11);
	std::set<std::string> expected;
	for (int i = 0; i <= 10; ++i)
	{
		expected.insert("raw" + std::to_string(i) + ".png");
		expected.insert("game" + std::to_string(i) + ".png");
	}
	EXPECT_EQ(filesIn("video"), expected);

	const BoardScanner& scanner = program->app->scanner();
	const cv::Mat game = cv::imread("video/game10.png");
	EXPECT_EQ(cv::norm(game, program->app->views().camera, cv::NORM_INF), 0.0);  // painted, not turned
	EXPECT_GT(cv::countNonZero(game.reshape(1) == 255), 0);
	// A still scene keeps its motion frame, so every raw image is the same.
	EXPECT_EQ(cv::norm(cv::imread("video/raw0.png"), scanner.motionFrame(), cv::NORM_INF), 0.0);
	EXPECT_EQ(cv::norm(cv::imread("video/raw10.png"), scanner.motionFrame(), cv::NORM_INF), 0.0);
}

TEST_F(RecordingTest, WhatCannotBeWrittenIsSkippedAndTheNumberAdvancesAnyway)
{
	fs::create_directory("video");
	FrameRecorder recorder;
	EXPECT_NO_THROW(recorder.recordFrame(cv::Mat(), cv::Mat()));  // no frame yet: both images empty
	const cv::Mat cameraFrame(48, 64, CV_8UC3, cv::Scalar::all(9));
	recorder.recordFrame(cv::Mat(), cameraFrame);
	recorder.finish();
	EXPECT_EQ(filesIn("video"), std::set<std::string>{"game1.png"});

	fs::remove_all("video");
	std::fclose(std::fopen("video", "w"));  // a file where the folder should be
	EXPECT_NO_THROW(recorder.recordFrame(cv::Mat(), cameraFrame));
	EXPECT_EQ(recorder.recordIndex(), 3);
	EXPECT_TRUE(fs::is_regular_file("video"));
}

}  // namespace
