#include "TestSupport.h"

#include "app/DebugWindows.h"
#include "physics/BodyFactories.h"

#include <gtest/gtest.h>
#include <opencv2/highgui.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{

const cv::Vec3b bodyColour(255, 128, 128);

/// Runs each test in a fresh empty working directory, since the program writes
/// its screenshots and frames relative to it; goes back and removes it after.
class InFreshFolder : public ::testing::Test
{
protected:
	InFreshFolder() : previous(fs::current_path())
	{
		std::string pattern = (fs::temp_directory_path() / "drawtable-test-XXXXXX").string();
		folder = mkdtemp(pattern.data());
		fs::current_path(folder);
	}

	~InFreshFolder() override
	{
		fs::current_path(previous);
		std::error_code ignored;
		fs::remove_all(folder, ignored);
	}

	/// Names of the files written here, sorted.
	static std::vector<std::string> filesIn(const fs::path& where)
	{
		std::vector<std::string> names;
		for (const auto& entry : fs::directory_iterator(where))
		{
			names.push_back(entry.path().filename().string());
		}
		std::sort(names.begin(), names.end());
		return names;
	}

	const fs::path previous;
	fs::path folder;
};

class ScreenshotsTest : public InFreshFolder
{
protected:
	ScreenshotsTest() : program(TestProgram::still())
	{
		BoardScanner& scanner = program->app->scanner;
		scanner.warpedGray = cv::Mat(480, 640, CV_8UC1, cv::Scalar(77));
		scanner.warpedSnapshot = cv::Mat(480, 640, CV_8UC3, cv::Scalar(1, 2, 3));
		scanner.contourImage = cv::Mat(480, 640, CV_8UC3, cv::Scalar(0, 255, 0));
	}

	void click(const std::string& window, int event = cv::EVENT_LBUTTONDOWN)
	{
		program->display->pushMouse(window, event, 10, 10);
	}

	std::unique_ptr<TestProgram> program;
};

TEST_F(ScreenshotsTest, LeftClickInWarpedSavesTheGreyBoardNotTheColourView)
{
	click("warped");
	program->run(1);
	const cv::Mat saved = cv::imread("ss_warped.png", cv::IMREAD_UNCHANGED);
	ASSERT_FALSE(saved.empty());
	EXPECT_EQ(saved.type(), CV_8UC1);
	EXPECT_EQ(saved.size(), cv::Size(640, 480));
	EXPECT_EQ(cv::countNonZero(saved != 77), 0);
	EXPECT_EQ(filesIn("."), std::vector<std::string>{"ss_warped.png"});
}

TEST_F(ScreenshotsTest, OtherEventsAndOtherWindowsWriteNothing)
{
	for (const char* window : {"warped", "normal", "cont"})
	{
		for (const int event : {cv::EVENT_RBUTTONDOWN, cv::EVENT_MBUTTONDOWN, cv::EVENT_MOUSEMOVE,
				 cv::EVENT_LBUTTONUP, cv::EVENT_LBUTTONDBLCLK})
		{
			click(window, event);
		}
	}
	click("skewbinary");
	program->run(2);  // "skewbinary" has no handler
	onDebugWindowMouse(program->app->scanner, cv::EVENT_LBUTTONDOWN, "game");
	onDebugWindowMouse(program->app->scanner, cv::EVENT_LBUTTONDOWN, "skewbinary");
	onDebugWindowMouse(program->app->scanner, cv::EVENT_LBUTTONDOWN, "warped ");
	EXPECT_TRUE(filesIn(".").empty());
}

TEST_F(ScreenshotsTest, NormalSavesThePaintedCameraPictureUnturned)
{
	BoardScanner& scanner = program->app->scanner;
	scanner.homography = cv::Mat::eye(3, 3, CV_64F);
	createBall(program->app->scene, 20.0f, 15.0f, 1.0f);  // board (300, 50)
	click("normal");
	program->run(1);
	const cv::Mat saved = cv::imread("ss_normal.png", cv::IMREAD_UNCHANGED);
	ASSERT_EQ(saved.type(), CV_8UC3);
	EXPECT_EQ(cv::norm(saved, scanner.cameraFrame, cv::NORM_INF), 0.0);
	EXPECT_EQ(saved.at<cv::Vec3b>(51, 300), bodyColour);
}

TEST_F(ScreenshotsTest, SecondClickInContReplacesTheFile)
{
	click("cont");
	program->run(1);
	program->app->scanner.contourImage.setTo(cv::Scalar(0, 0, 255));
	click("cont");
	program->run(1);
	const cv::Mat saved = cv::imread("ss_cont.png");
	ASSERT_FALSE(saved.empty());
	EXPECT_EQ(saved.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 255));
}

TEST_F(ScreenshotsTest, ImagesNotMadeYetOrUnwritableFilesAreSkipped)
{
	BoardScanner& scanner = program->app->scanner;
	scanner.warpedGray = cv::Mat();
	fs::create_directory("ss_cont.png");  // a file of that name cannot be written
	click("warped");
	click("cont");
	EXPECT_NO_THROW(program->run(1));
	EXPECT_EQ(filesIn("."), std::vector<std::string>{"ss_cont.png"});
	EXPECT_TRUE(fs::is_directory("ss_cont.png"));
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

class RecordingTest : public InFreshFolder
{
};

TEST_F(RecordingTest, EveryPassWritesANumberedRawAndGamePair)
{
	fs::create_directory("video");
	auto program = TestProgram::still();
	BoardScanner& scanner = program->app->scanner;
	scanner.homography = cv::Mat::eye(3, 3, CV_64F);
	createBall(program->app->scene, 20.0f, 15.0f, 1.0f);
	program->run(11);

	std::vector<std::string> expected;
	for (int i = 0; i <= 10; ++i)
	{
		expected.push_back("game" + std::to_string(i) + ".png");
		expected.push_back("raw" + std::to_string(i) + ".png");
	}
	std::sort(expected.begin(), expected.end());
	EXPECT_EQ(filesIn("video"), expected);
	EXPECT_EQ(scanner.recordIndex, 11);

	// The game image is the painted camera picture, not turned.
	const cv::Mat game = cv::imread("video/game10.png");
	EXPECT_EQ(cv::norm(game, scanner.cameraFrame, cv::NORM_INF), 0.0);
	EXPECT_GT(cv::countNonZero(game.reshape(1) == 255), 0);
	// A still scene keeps its motion frame: every raw image is the same.
	const cv::Mat raw0 = cv::imread("video/raw0.png");
	EXPECT_EQ(cv::norm(raw0, cv::imread("video/raw10.png"), cv::NORM_INF), 0.0);
	EXPECT_EQ(cv::norm(raw0, scanner.motionFrame, cv::NORM_INF), 0.0);
}

TEST_F(RecordingTest, WithoutAVideoFolderNothingIsWrittenAndTheRunGoesOn)
{
	auto program = TestProgram::still();
	EXPECT_NO_THROW(program->run(3));
	EXPECT_TRUE(filesIn(".").empty());  // the folder is not created
	EXPECT_EQ(program->app->scanner.recordIndex, 3);

	std::FILE* blocker = std::fopen("video", "w");  // a file where the folder should be
	ASSERT_NE(blocker, nullptr);
	std::fclose(blocker);
	EXPECT_NO_THROW(program->run(2));
	EXPECT_EQ(filesIn("."), std::vector<std::string>{"video"});
	EXPECT_EQ(program->app->scanner.recordIndex, 5);
}

TEST_F(RecordingTest, EmptyImagesAreSkippedAndTheNumberStillAdvances)
{
	fs::create_directory("video");
	HeadlessDisplay display;
	BoardScanner scanner(std::make_unique<StillFrameSource>(cv::Mat()), display);
	EXPECT_NO_THROW(scanner.recordFrame());
	scanner.cameraFrame = cv::Mat(48, 64, CV_8UC3, cv::Scalar::all(9));
	scanner.recordFrame();
	EXPECT_EQ(filesIn("video"), std::vector<std::string>{"game1.png"});
	EXPECT_EQ(scanner.recordIndex, 2);
}

}  // namespace
