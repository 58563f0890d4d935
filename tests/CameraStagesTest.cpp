#include "SceneFrames.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

// What each stage of the webcam's own processing does to its frames,
// measured as a user's webcam would show it, each against the same scene
// without the stage; and the hand's own shadow, where and as soft as asked.
// The camera is straight above the board, paper at 0.8 of white without
// noise unless a test asks for grain.

namespace
{

const cv::Point2d freePaper(320, 300);
const std::string dimmed = "light exposure 0.8\n";

/// The largest difference of red and blue along a line of board points.
double largestColourSpread(SceneFrames& scene, const cv::Mat& frame, cv::Point2d from, cv::Point2d to)
{
	double largest = 0.0;
	for (double t = 0.0; t <= 1.0; t += 0.01)
	{
		const cv::Vec3d c = scene.colourAt(frame, from + (to - from) * t);
		largest = std::max(largest, std::abs(c[2] - c[0]));
	}
	return largest;
}

/// Board pixels from `from` towards `to` at which `channel` has gone half of
/// its way from its level at `from` to its level at `to`.
double halfWay(SceneFrames& scene, const cv::Mat& frame, cv::Point2d from, cv::Point2d to, int channel)
{
	const double length = cv::norm(to - from);
	const double start = scene.colourAt(frame, from)[channel], end = scene.colourAt(frame, to)[channel];
	for (double along = 0.0; along <= length; along += 0.05)
	{
		if ((scene.colourAt(frame, from + (to - from) * (along / length))[channel] - start) / (end - start) >= 0.5)
		{
			return along;
		}
	}
	return length;
}

TEST(CameraStages, TheMosaicKeepsFlatColoursAndFringesSharpEdgesWithColour)
{
	const std::string drawing = "disc black 320 240 40\ndisc #c83c28 200 160 30\n";
	SceneFrames plain(plainScene(dimmed + "camera grain fresh", drawing));
	SceneFrames mosaic(plainScene(dimmed + "camera mosaic", drawing));
	ASSERT_TRUE(mosaic.camera->inLinearLight());
	const cv::Mat flat = plain.frame(1), interpolated = mosaic.frame(1);
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(mosaic.colourAt(interpolated, {200, 160})[c], plain.colourAt(flat, {200, 160})[c], 2.0);
		EXPECT_NEAR(mosaic.colourAt(interpolated, freePaper)[c], 0.8 * 255.0, 1.0);
	}
	// Across the black disc's edge the interpolated colours part.
	EXPECT_LT(largestColourSpread(plain, flat, {270, 240}, {290, 240}), 2.0);
	EXPECT_GT(largestColourSpread(mosaic, interpolated, {270, 240}, {290, 240}), 15.0);
}

TEST(CameraStages, SharpeningOvershootsBesideAnEdgeAndLeavesColourAlone)
{
	const std::string drawing = "disc black 320 240 40\ndisc #c83c28 200 160 30\n";
	SceneFrames plain(plainScene(dimmed + "camera grain fresh", drawing));
	SceneFrames sharp(plainScene(dimmed + "camera sharpen 1.5", drawing));
	const cv::Mat soft = plain.frame(1), sharpened = sharp.frame(1);
	// Just beside the ink the paper reads brighter than paper far from it.
	double brightest = 0.0;
	for (double x = 362.0; x <= 368.0; x += 0.5)
	{
		brightest = std::max(brightest, sharp.colourAt(sharpened, {x, 240})[1]);
		EXPECT_LT(plain.colourAt(soft, {x, 240})[1], 0.8 * 255.0 + 1.0);
	}
	EXPECT_GT(brightest, 0.8 * 255.0 + 10.0);
	// A flat colour keeps its colour.
	cv::Mat one(1, 2, CV_8UC3), ycc;
	const cv::Vec3d before = plain.colourAt(soft, {200, 160}), after = sharp.colourAt(sharpened, {200, 160});
	one.at<cv::Vec3b>(0, 0) = cv::Vec3b(cv::saturate_cast<uchar>(before[0]), cv::saturate_cast<uchar>(before[1]),
		cv::saturate_cast<uchar>(before[2]));
	one.at<cv::Vec3b>(0, 1) = cv::Vec3b(cv::saturate_cast<uchar>(after[0]), cv::saturate_cast<uchar>(after[1]),
		cv::saturate_cast<uchar>(after[2]));
	cv::cvtColor(one, ycc, cv::COLOR_BGR2YCrCb);
	for (int c = 1; c < 3; ++c)
	{
		EXPECT_NEAR(ycc.at<cv::Vec3b>(0, 0)[c], ycc.at<cv::Vec3b>(0, 1)[c], 2.0);
	}
}

/// The standard deviation of the change of a paper square from one pass to the next.
double grainBetween(SceneFrames& scene, int pass)
{
	const cv::Point2d middle = scene.pixelOf(freePaper);
	const cv::Rect paper(int(middle.x) - 40, int(middle.y) - 30, 80, 60);
	cv::Mat difference;
	cv::subtract(scene.frame(pass)(paper), scene.frame(pass - 1)(paper), difference, cv::noArray(), CV_32F);
	cv::Scalar mean, deviation;
	cv::meanStdDev(difference.reshape(1), mean, deviation);
	return deviation[0];
}

TEST(CameraStages, TemporalNoiseReductionCalmsStillPaperButNotAHandThatMoves)
{
	const std::string setting = dimmed + "camera noise 4 grain fresh";
	const std::string timeline = "at 10 hand 330 560\nat 14 hand glide 330 270\n";
	SceneFrames noisy(plainScene(setting, "") + timeline);
	SceneFrames calmed(plainScene(setting + " denoise 0.6", "") + timeline);
	for (int pass : {4, 8})
	{
		EXPECT_LT(grainBetween(calmed, pass), 0.7 * grainBetween(noisy, pass)) << "pass " << pass;
	}
	// The hand arrives whole in the pass it arrives: no ghost of the paper.
	const cv::Scalar hand = noisy.meanAt(noisy.frame(14), {330, 270}, 3), kept = calmed.meanAt(calmed.frame(14), {330, 270}, 3);
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(kept[c], hand[c], 4.0);
	}
	// Played pass after pass or asked for out of turn, a pass shows the same.
	SceneFrames jumped(plainScene(setting + " denoise 0.6", "") + timeline);
	const cv::Mat inTurn = calmed.frame(20);
	EXPECT_LT(cv::norm(jumped.frame(20), inTurn, cv::NORM_INF), 3.0);
}

TEST(CameraStages, LateralColourPartsRedFromBlueTowardsTheCornersOnly)
{
	const std::string drawing = "disc black 120 100 20\ndisc black 320 240 20\n";
	SceneFrames plain(plainScene(dimmed, drawing));
	SceneFrames lateral(plainScene(dimmed + "camera lateral 3", drawing));
	const cv::Mat straight = plain.frame(1), parted = lateral.frame(1);
	// From inside the disc out towards the board's top left, away from the middle.
	const cv::Point2d inside(120, 100), outside = cv::Point2d(120, 100) + (cv::Point2d(120, 100) - cv::Point2d(320, 240)) * 0.2;
	const double red = halfWay(lateral, parted, inside, outside, 2), blue = halfWay(lateral, parted, inside, outside, 0);
	EXPECT_GT(red - blue, 0.8) << "red at " << red << ", blue at " << blue;
	EXPECT_LT(std::abs(halfWay(plain, straight, inside, outside, 2) - halfWay(plain, straight, inside, outside, 0)), 0.2);
	// In the picture's middle they stay together.
	EXPECT_LT(std::abs(halfWay(lateral, parted, {320, 240}, {320, 270}, 2) - halfWay(lateral, parted, {320, 240}, {320, 270}, 0)),
		0.3);
}

TEST(CameraStages, AHazyLensLiftsTheInkAndDimsThePaperALittle)
{
	const std::string drawing = "disc black 320 240 30\n";
	SceneFrames clear(plainScene(dimmed, drawing));
	SceneFrames hazy(plainScene(dimmed + "camera haze 0.2", drawing));
	const cv::Mat sharp = clear.frame(1), veiled = hazy.frame(1);
	const double ink = clear.meanAt(sharp, {320, 240}, 3)[1];
	EXPECT_GT(hazy.meanAt(veiled, {320, 240}, 3)[1], ink + 25.0);
	const double paper = clear.meanAt(sharp, freePaper, 5)[1];
	EXPECT_LT(hazy.meanAt(veiled, freePaper, 5)[1], paper + 1.0);
	EXPECT_GT(hazy.meanAt(veiled, freePaper, 5)[1], paper * 0.9);
}

TEST(CameraStages, MeteringFollowsAHandThatComesInAndSettlesWhenItHasGone)
{
	const std::string timeline = "at 5 hand 330 270\nat 45 hand away\n";
	// Paper the hand does not cover.
	const cv::Point2d freePaper(150, 120);
	SceneFrames fixed(plainScene(dimmed + "hand skin 8", "") + timeline);
	SceneFrames metered(plainScene(dimmed + "hand skin 8\ncamera metering 10", "") + timeline);
	const double before = metered.meanAt(metered.frame(4), freePaper, 5)[1];
	EXPECT_NEAR(before, fixed.meanAt(fixed.frame(4), freePaper, 5)[1], 0.5);
	// The dark hand darkens the picture: the camera opens up, over passes.
	const double first = metered.meanAt(metered.frame(6), freePaper, 5)[1];
	const double settled = metered.meanAt(metered.frame(40), freePaper, 5)[1];
	EXPECT_LT(first, before + 3.0);
	EXPECT_GT(settled, before * 1.05);
	EXPECT_NEAR(fixed.meanAt(fixed.frame(40), freePaper, 5)[1], before, 0.5);
	// The hand of a warm skin tips the white balance towards blue.
	const cv::Scalar warmed = metered.meanAt(metered.frame(40), freePaper, 5);
	EXPECT_GT(warmed[0] - warmed[2], 3.0);
	// Long after the hand has gone the picture is as it was.
	const cv::Scalar after = metered.meanAt(metered.frame(140), freePaper, 5);
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(after[c], before, 1.5);
	}
}

TEST(CameraStages, ADimRoomsGainRaisesTheGrainAndTheCameraSlowsTo15FramesASecond)
{
	SceneFrames normal(plainScene(dimmed + "camera noise 2 grain fresh"));
	SceneFrames dim(plainScene(dimmed + "camera noise 2 grain fresh lowlight 3"));
	EXPECT_NEAR(grainBetween(dim, 3) / grainBetween(normal, 3), 3.0, 0.3);
	EXPECT_EQ(dim.camera->framesPerSecond(), 15.0);
	EXPECT_EQ(normal.camera->framesPerSecond(), 0.0);
}

TEST(CameraStages, TheSeedDrawsAnotherGrainAndTheSameSeedTheSameOne)
{
	const std::string setting = dimmed + "camera noise 3 grain fresh";
	SceneFrames plain(plainScene(setting));
	SceneFrames zero(plainScene(setting + " seed 0"));
	SceneFrames one(plainScene(setting + " seed 1"));
	SceneFrames oneAgain(plainScene(setting + " seed 1"));
	EXPECT_EQ(cv::norm(plain.frame(3), zero.frame(3), cv::NORM_INF), 0.0);
	EXPECT_EQ(cv::norm(one.frame(3), oneAgain.frame(3), cv::NORM_INF), 0.0);
	EXPECT_GT(cv::norm(plain.frame(3), one.frame(3), cv::NORM_INF), 5.0);
}

TEST(CameraStages, AHandsShadowFallsWhereAskedWithTheSoftEdgeAsked)
{
	// The forearm's axis, and the unit vector square to it towards its left;
	// its left edge lies 78 board pixels off the axis.
	const cv::Point2d axis = cv::Point2d(320, 200) + cv::Point2d(90, 500) * (1.3 * 0.35);
	const cv::Point2d left = cv::Point2d(-500, 90) * (1.0 / std::hypot(500.0, 90.0));
	SceneFrames flat(plainScene("hand skin 6") + "at 1 hand 320 200\n");
	const cv::Mat unshaded = flat.frame(1);
	for (const double soft : {8.0, 24.0})
	{
		SceneFrames shaded(plainScene("hand skin 6 shadow 0.4 soft " + std::to_string(soft) + " towards 180 60") +
			"at 1 hand 320 200\n");
		const cv::Mat frame = shaded.frame(1);
		// 60 board pixels to the left: the shadow lies beside the hand's left
		// edge, and nothing of it on the right.
		const cv::Point2d inShadow = axis + left * (78.0 + 25.0);
		EXPECT_NEAR(shaded.colourAt(frame, inShadow)[1], flat.colourAt(unshaded, inShadow)[1] * 0.6, 8.0) << soft;
		const cv::Point2d right = axis - left * 90.0;
		EXPECT_NEAR(shaded.colourAt(frame, right)[1], flat.colourAt(unshaded, right)[1], 1.0) << soft;
		// Its outer edge, 59 board pixels beyond the arm's (the shift square
		// to the arm), as wide as asked.
		const cv::Point2d edge = axis + left * (78.0 + 59.0);
		EXPECT_NEAR(shaded.edgeWidth(frame, edge - left * (soft + 6.0), edge + left * (soft + 6.0), 1), soft, 2.0);
	}
}

}  // namespace
