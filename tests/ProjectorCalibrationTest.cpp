#include "ScratchFiles.h"
#include "TestSupport.h"

#include "analysis/ColourRanges.h"
#include "calibration/ProjectorCalibration.h"
#include "calibration/ProjectorCalibrationRun.h"
#include "core/Homography.h"
#include "render/ProjectedShapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

#include <fstream>
#include <functional>
#include <iterator>

namespace
{

/// A camera watching a projector: the frame of a read shows the picture shown
/// `latency` reads before the last, added to a still grey table.
struct LateCamera
{
	int latency;
	std::vector<cv::Mat> shown;

	cv::Mat read() const
	{
		cv::Mat frame(480, 640, CV_8UC3, cv::Scalar(120, 120, 120));
		const int index = int(shown.size()) - 1 - latency;
		if (index >= 0 && !shown[size_t(index)].empty())
		{
			cv::Mat small;
			cv::resize(shown[size_t(index)], small, frame.size());
			frame += small * 0.5;
		}
		return frame;
	}
};

TEST(ProjectorCalibration, RunMeasuresTheCamerasLatencyAndTakesDarkAndLitFrames)
{
	for (int latency : {0, 1, 4, 9})
	{
		LateCamera camera{latency, {}};
		ProjectorCalibrationRun run(smallestProjectorPicture);
		int pass = 0;
		while (run.state() != ProjectorCalibrationRun::Done && run.state() != ProjectorCalibrationRun::Failed
			&& pass < 200)
		{
			run.see(camera.read(), ++pass);
			camera.shown.push_back(run.picture().clone());
		}
		ASSERT_EQ(run.state(), ProjectorCalibrationRun::Done) << run.problem();
		EXPECT_EQ(run.latency(), latency);
		EXPECT_EQ(cv::norm(run.darkFrame(), cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(120)), cv::NORM_INF), 0.0);
		EXPECT_GT(cv::norm(run.litFrame(), run.darkFrame(), cv::NORM_INF), 50.0);
		EXPECT_GT(cv::norm(run.chessboardFrame(), run.litFrame(), cv::NORM_INF), 50.0) << "the plain board differs";
	}

	// A projector the camera never sees, and a picture that never keeps still.
	ProjectorCalibrationRun unseen(smallestProjectorPicture);
	cv::RNG rng(3);
	ProjectorCalibrationRun restless(smallestProjectorPicture);
	for (int pass = 1; pass <= 200; ++pass)
	{
		unseen.see(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(120)), pass);
		cv::Mat noisy(480, 640, CV_8UC3);
		rng.fill(noisy, cv::RNG::UNIFORM, 0, 255);
		restless.see(noisy, pass);
	}
	EXPECT_EQ(unseen.state(), ProjectorCalibrationRun::Failed);
	EXPECT_NE(unseen.problem().find("did not see"), std::string::npos);
	EXPECT_EQ(restless.state(), ProjectorCalibrationRun::Failed);
	EXPECT_NE(restless.problem().find("keep still"), std::string::npos);
}

/// A camera over a projector in a room: grey paper at `paper` (saturated
/// where it reaches 255), new sensor grain of `noise` grey levels every frame,
/// and the picture shown `latency` reads before the last adding `gain` levels
/// where it is white. `whiteAbove` rows from the top are paper at 255 whatever the
/// room: a picture white there already. `blur` is the projector's focus.
struct RoomCamera
{
	double paper;
	double noise;
	double gain;
	int latency = 2;
	int whiteAbove = 0;
	/// The projector's focus: its picture blurred by this sigma, in camera pixels.
	double blur = 0.0;
	std::vector<cv::Mat> shown = {};
	cv::RNG rng = cv::RNG(7);

	cv::Mat read()
	{
		cv::Mat frame(480, 640, CV_32FC3, cv::Scalar::all(paper));
		frame.rowRange(0, whiteAbove).setTo(cv::Scalar::all(255.0));
		const int index = int(shown.size()) - 1 - latency;
		if (index >= 0 && !shown[size_t(index)].empty())
		{
			cv::Mat light;
			cv::resize(shown[size_t(index)], light, frame.size(), 0, 0, cv::INTER_AREA);
			light.convertTo(light, CV_32FC3, gain / 255.0);
			if (blur > 0.0)
			{
				cv::GaussianBlur(light, light, cv::Size(0, 0), blur);
			}
			frame += light;
		}
		cv::Mat grain(frame.size(), CV_32FC3);
		rng.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0.0), cv::Scalar::all(noise));
		frame += grain;
		cv::Mat bytes;
		frame.convertTo(bytes, CV_8UC3);
		return bytes;
	}
};

/// A camera without a lens: ideal pixels are the pixels it reports.
const double noLens[4] = {320.0, 240.0, 0.0, 1.0};

TEST(ProjectorCalibration, AWeakPatternTheDetectorReadsIsUsedAndOneItCannotIsPutDownToItsCause)
{
	struct Case
	{
		const char* what;
		RoomCamera camera;
		/// Empty: measured and fitted; else what the refusal says, and a figure in it.
		const char* cause;
		const char* figureAfter;
		double figureLow;
		double figureHigh;
	};
	Case cases[] = {
		// 30 grey levels over a camera's grain of 3: the detector reads it.
		{"a weak projector", RoomCamera{200.0, 3.0, 30.0}, "", "", 0.0, 0.0},
		{"a weak projector on dark paper", RoomCamera{90.0, 2.0, 20.0}, "", "", 0.0, 0.0},
		// 4 levels under a grain of 4: the light changed, the pattern is not read.
		{"too weak for the room", RoomCamera{180.0, 4.0, 4.0}, "too weak for the room", "brightened the board by ", 3.0, 7.0},
		{"paper already white", RoomCamera{254.0, 1.0, 150.0}, "saturated", "saturated: ", 90.0, 100.0},
		{"no light at all", RoomCamera{180.0, 3.0, 0.0}, "did not see the projector's pattern", "", 0.0, 0.0},
		{"a projector out of focus", RoomCamera{150.0, 2.0, 120.0, 2, 0, 6.0}, "cannot read its pattern: focus", "sees the projector's light (", 60.0, 130.0},
		// Most of the picture white already: a few corners show below it, too few.
		{"paper white but for a strip", RoomCamera{150.0, 2.0, 100.0, 2, 400}, "saturated", "saturated: ", 75.0, 90.0},
	};
	for (Case& c : cases)
	{
		ProjectorCalibrationRun run(cv::Size(640, 400));
		int pass = 0;
		while (run.state() != ProjectorCalibrationRun::Done && run.state() != ProjectorCalibrationRun::Failed && pass < 200)
		{
			run.see(c.camera.read(), ++pass);
			c.camera.shown.push_back(run.picture().clone());
		}
		std::string refusal = run.problem();
		bool used = false;
		if (run.state() == ProjectorCalibrationRun::Done)
		{
			ProjectorCalibration result;
			used = run.fit(noLens, pictureErrorArea(cv::Size(640, 480), noLens), result, refusal);
			if (used)
			{
				// The camera sees the picture as it is across and stretched to 480 / 400 down.
				for (const cv::Point2d camera : {cv::Point2d(100, 80), cv::Point2d(320, 240), cv::Point2d(560, 400)})
				{
					const cv::Point2d lit(camera.x, (camera.y + 0.5) * 400.0 / 480.0 - 0.5);
					EXPECT_LT(cv::norm(applyHomography(result.cameraToProjector, camera) - lit), 1.0) << c.what << " at " << camera;
				}
				EXPECT_LT(result.largestPixels, 1.0) << c.what;
				EXPECT_EQ(result.latencyPasses, c.camera.latency) << c.what;
			}
		}
		if (std::string(c.cause).empty())
		{
			EXPECT_TRUE(used) << c.what << ": " << refusal;
			continue;
		}
		EXPECT_FALSE(used) << c.what;
		EXPECT_NE(refusal.find(c.cause), std::string::npos) << c.what << ": " << refusal;
		EXPECT_EQ(refusal.find('\n'), std::string::npos) << refusal;
		if (*c.figureAfter != '\0')
		{
			EXPECT_GE(numberAfter(refusal, c.figureAfter), c.figureLow) << c.what << ": " << refusal;
			EXPECT_LE(numberAfter(refusal, c.figureAfter), c.figureHigh) << c.what << ": " << refusal;
		}
		// Each says what to do.
		EXPECT_NE(refusal.find(": "), std::string::npos) << refusal;
	}
}

TEST(ProjectedColours, LightOnAnyPaperIsNoInkAndNoHand)
{
	// Projected light adds to what the paper reflects; white paper, a warm and
	// a cool room, dim and grey paper, with a weak or a strong projector. No
	// ink class takes it, highlighters' included, and no skin.
	const cv::Scalar papers[] = {{240, 240, 240}, {170, 200, 230}, {230, 200, 170}, {150, 150, 150}, {120, 125, 130}};
	const cv::Scalar colours[] = {projectedColour::body, projectedColour::mouseWall, projectedColour::sensor,
		projectedColour::burst, projectedColour::wallOutline};
	const ColourRange classes[] = {blackInk, redInk, yellowInk, skinColour};
	for (const cv::Scalar& paper : papers)
	{
		for (const cv::Scalar& colour : colours)
		{
			for (double gain : {0.3, 0.6, 1.0})
			{
				cv::Mat lit(1, 1, CV_8UC3, paper + colour * gain);
				cv::Mat ycrcb;
				cv::cvtColor(lit, ycrcb, cv::COLOR_BGR2YCrCb);
				for (const ColourRange& range : classes)
				{
					cv::Mat inside;
					cv::inRange(ycrcb, range.lower(), range.upper(), inside);
					EXPECT_EQ(inside.at<uchar>(0), 0) << "paper " << paper << " lit by " << colour << " x " << gain
													  << " reads as " << ycrcb.at<cv::Vec3b>(0);
				}
				cv::Mat hsv;
				cv::cvtColor(lit, hsv, cv::COLOR_BGR2HSV);
				for (const HueRange& range : {highlighterInk, paleHighlighterInk})
				{
					cv::Mat highlighter;
					cv::inRange(hsv, range.lower(), range.upper(), highlighter);
					EXPECT_EQ(highlighter.at<uchar>(0), 0) << "paper " << paper << " lit by " << colour << " x "
														   << gain << " reads as a highlighter, HSV " << hsv.at<cv::Vec3b>(0);
				}
			}
		}
	}
}

}  // namespace
