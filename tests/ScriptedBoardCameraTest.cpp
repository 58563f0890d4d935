#include "SkinColour.h"
#include "tracking/BoardScanner.h"
#include "scenes/ScriptedBoardCamera.h"

#include <gtest/gtest.h>

namespace
{

std::unique_ptr<ScriptedBoardCamera> cameraPlaying(const std::string& text)
{
	SceneScript script;
	std::string error;
	EXPECT_TRUE(parseSceneScript(text, "t.scene", script, error)) << error;
	ARParam camera;
	EXPECT_EQ(arParamLoad("Data/camera_para.dat", 1, &camera), 0);
	ARMultiMarkerInfoT board, portal;
	EXPECT_TRUE(readMultiMarkerConfig("Data/markers/marker.dat", board, error)) << error;
	EXPECT_TRUE(readMultiMarkerConfig("Data/markers/portal.dat", portal, error)) << error;
	return std::make_unique<ScriptedBoardCamera>(script, board, portal, camera);
}

const char* const scene = "map a\n"
						  "ring black 200 190 28 4\n"
						  "stroke black 4 160 222 376 325\n"
						  "portal 500 240\n"
						  "map b\n"
						  "stroke black 4 165 230 290 310\n"
						  "at 3 hand 380 390\n"
						  "at 6 hand glide 320 270\n"
						  "at 8 hand away\n"
						  "at 10 view 470 12 3 10 5\n"
						  "at 12 view 480 10 0\n"
						  "at 14 map b\n";

TEST(ScriptedBoardCamera, EachReadIsTheNextPassAndEqualStatesShowTheSameFrame)
{
	auto camera = cameraPlaying(scene);
	cv::Mat first, second;
	ASSERT_TRUE(camera->read(first));
	ASSERT_TRUE(camera->read(second));
	EXPECT_EQ(camera->passesRead(), 2);
	EXPECT_EQ(first.size(), camera->frameSize());
	EXPECT_EQ(cv::norm(first, second, cv::NORM_INF), 0.0);
	// Before the hand, after it and after the knock: one frame, rendered once,
	// so the scene is perfectly still again.
	EXPECT_EQ(cv::norm(camera->frameOfPass(1), camera->frameOfPass(9), cv::NORM_INF), 0.0);
	EXPECT_EQ(cv::norm(camera->frameOfPass(1), camera->frameOfPass(13), cv::NORM_INF), 0.0);
	EXPECT_EQ(camera->renderedFrames(), 1u);
}

TEST(ScriptedBoardCamera, HandAndKnockAreMotionAndTheHandIsSkin)
{
	auto camera = cameraPlaying(scene);
	const cv::Mat still = camera->frameOfPass(1).clone();
	// A hand that comes in and one that leaves change the picture by more than
	// the motion threshold; a hand too small would never be seen coming.
	EXPECT_TRUE(frameDiffers(camera->frameOfPass(6).clone(), still));
	EXPECT_TRUE(frameDiffers(still.clone(), camera->frameOfPass(6).clone()));
	// The hand test looks at the board alone: the table around it is brown.
	const cv::Rect board(100, 100, 440, 280);
	EXPECT_TRUE(skinColourHand(camera->frameOfPass(6)(board)));
	EXPECT_FALSE(skinColourHand(still(board)));
	EXPECT_TRUE(frameDiffers(camera->frameOfPass(10).clone(), still));
	// A redrawn board differs, but by far less than a hand.
	EXPECT_GT(cv::norm(camera->frameOfPass(14), still, cv::NORM_L1), 0.0);
}

}  // namespace
