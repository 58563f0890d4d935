#include "platform/HeadlessDisplay.h"
#include "tracking/BoardScanner.h"
#include "platform/StillFrameSource.h"

#include <gtest/gtest.h>

namespace
{

cv::Mat frameOf(int rows, int cols, const cv::Scalar& colour)
{
	return cv::Mat(rows, cols, CV_8UC3, colour);
}

TEST(FrameDiffers, EmptyImagesCountAsMotion)
{
	const cv::Mat frame = frameOf(480, 640, cv::Scalar(50, 50, 50));
	EXPECT_TRUE(frameDiffers(cv::Mat(), frame));
	EXPECT_TRUE(frameDiffers(frame, cv::Mat()));
	EXPECT_TRUE(frameDiffers(cv::Mat(), cv::Mat()));
	EXPECT_TRUE(frameDiffers(cv::Mat(0, 640, CV_8UC3), frame));
}

TEST(FrameDiffers, ThresholdIsAMeanOfTenInChannelZero)
{
	const cv::Mat reference = frameOf(480, 640, cv::Scalar(100, 100, 100));
	EXPECT_FALSE(frameDiffers(reference.clone(), reference));
	// Exactly 10 is still; 11 is motion, darker or brighter.
	EXPECT_FALSE(frameDiffers(frameOf(480, 640, cv::Scalar(110, 100, 100)), reference));
	EXPECT_TRUE(frameDiffers(frameOf(480, 640, cv::Scalar(111, 100, 100)), reference));
	EXPECT_TRUE(frameDiffers(frameOf(480, 640, cv::Scalar(89, 100, 100)), reference));
	// Green and red never count.
	EXPECT_FALSE(frameDiffers(frameOf(480, 640, cv::Scalar(100, 255, 0)), reference));
}

TEST(FrameDiffers, SumIsDividedByTheFullBoardWhateverTheFrameSize)
{
	const cv::Mat reference = frameOf(240, 320, cv::Scalar(100, 100, 100));
	EXPECT_FALSE(frameDiffers(frameOf(240, 320, cv::Scalar(140, 100, 100)), reference));
	EXPECT_TRUE(frameDiffers(frameOf(240, 320, cv::Scalar(141, 100, 100)), reference));
}

TEST(FrameDiffers, AnotherSizeOrTypeIsMotionNotAFailure)
{
	const cv::Mat reference = frameOf(480, 640, cv::Scalar(100, 100, 100));
	EXPECT_TRUE(frameDiffers(frameOf(240, 320, cv::Scalar(100, 100, 100)), reference));
	EXPECT_TRUE(frameDiffers(cv::Mat(480, 640, CV_8UC1, cv::Scalar(100)), reference));
	EXPECT_TRUE(frameDiffers(cv::Mat(480, 640, CV_8UC4, cv::Scalar::all(100)), reference));
}

/// A camera that can be closed and whose picture can be changed.
class ScriptedCamera : public StillFrameSource
{
public:
	using StillFrameSource::StillFrameSource;
	bool isOpened() const override { return open; }
	bool open = true;
};

class SceneMovedTest : public ::testing::Test
{
protected:
	SceneMovedTest()
	{
		auto owned = std::make_unique<ScriptedCamera>(frameOf(480, 640, cv::Scalar(60, 60, 60)));
		camera = owned.get();
		scanner = std::make_unique<BoardScanner>(std::move(owned));
	}

	HeadlessDisplay display;
	ScriptedCamera* camera = nullptr;
	std::unique_ptr<BoardScanner> scanner;
};

TEST_F(SceneMovedTest, FirstFrameIsMotionAndBecomesBothReferences)
{
	EXPECT_TRUE(scanner->sceneMoved());
	ASSERT_FALSE(scanner->referenceFrame().empty());
	EXPECT_EQ(cv::norm(scanner->referenceFrame(), camera->picture, cv::NORM_INF), 0.0);
	EXPECT_EQ(cv::norm(scanner->motionFrame(), camera->picture, cv::NORM_INF), 0.0);
	// Three separate buffers, none shared with the camera's.
	EXPECT_NE(scanner->referenceFrame().data, scanner->motionFrame().data);
	EXPECT_NE(scanner->referenceFrame().data, scanner->cameraFrame().data);
	EXPECT_NE(scanner->cameraFrame().data, camera->picture.data);
}

TEST_F(SceneMovedTest, SlowChangeBuildsUpAgainstTheFixedReference)
{
	ASSERT_TRUE(scanner->sceneMoved());
	const uchar* reference = scanner->referenceFrame().data;
	camera->picture = frameOf(480, 640, cv::Scalar(66, 60, 60));
	EXPECT_FALSE(scanner->sceneMoved());
	EXPECT_EQ(scanner->cameraFrame().at<cv::Vec3b>(0, 0)[0], 66);
	EXPECT_EQ(scanner->referenceFrame().data, reference);
	camera->picture = frameOf(480, 640, cv::Scalar(72, 60, 60));  // 12 from the reference
	EXPECT_TRUE(scanner->sceneMoved());
	EXPECT_EQ(scanner->referenceFrame().at<cv::Vec3b>(0, 0)[0], 72);
	EXPECT_EQ(scanner->motionFrame().at<cv::Vec3b>(0, 0)[0], 72);
}

TEST_F(SceneMovedTest, EmptyFrameIsMotionAndEmptiesTheReferences)
{
	ASSERT_TRUE(scanner->sceneMoved());
	const cv::Mat picture = camera->picture;
	camera->picture = cv::Mat();
	EXPECT_TRUE(scanner->sceneMoved());
	EXPECT_TRUE(scanner->referenceFrame().empty());
	EXPECT_TRUE(scanner->motionFrame().empty());
	camera->picture = picture;
	EXPECT_TRUE(scanner->sceneMoved());  // the next real frame is motion again
	EXPECT_FALSE(scanner->sceneMoved());
}

TEST_F(SceneMovedTest, ClosedCameraIsStillAndKeepsTheLastFrame)
{
	ASSERT_TRUE(scanner->sceneMoved());
	const uchar* frame = scanner->cameraFrame().data;
	camera->open = false;
	camera->picture = frameOf(480, 640, cv::Scalar(255, 255, 255));
	EXPECT_FALSE(scanner->sceneMoved());
	EXPECT_FALSE(scanner->sceneMoved());
	EXPECT_EQ(scanner->cameraFrame().data, frame);
}

TEST_F(SceneMovedTest, CameraChangingSizeMidRunIsMotion)
{
	ASSERT_TRUE(scanner->sceneMoved());
	camera->picture = frameOf(240, 320, cv::Scalar(60, 60, 60));
	EXPECT_TRUE(scanner->sceneMoved());
	EXPECT_EQ(scanner->referenceFrame().size(), cv::Size(320, 240));
	EXPECT_FALSE(scanner->sceneMoved());
}

}  // namespace
