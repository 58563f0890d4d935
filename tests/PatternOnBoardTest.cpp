#include "calibration/PatternOnBoard.h"
#include "calibration/ProjectorCalibrationRun.h"
#include "core/Homography.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>

// A projector measured through a camera that sees its light only where it
// falls on the paper: a picture within the paper is measured in one step, one
// turned across it, half off the paper, in two, the second pattern lighting
// the board alone.

namespace
{

/// A camera without a lens: ideal pixels are the pixels it reports.
const double noLens[4] = {320.0, 240.0, 0.0, 1.0};

const cv::Size pictureSize(640, 400);
/// The paper in the camera's picture; round it a black cloth gives no light back.
const cv::Rect paper(120, 90, 400, 300);

/// The projector's picture in the camera: `scale` camera pixels a projector
/// pixel, its middle on the camera's, turned a quarter round or not, and a
/// little keystoned.
cv::Matx33d projectorToCamera(double scale, bool turned)
{
	const cv::Matx33d centred(1.0, 0.0, -pictureSize.width / 2.0, 0.0, 1.0, -pictureSize.height / 2.0, 0.0, 0.0, 1.0);
	const cv::Matx33d turn = turned ? cv::Matx33d(0.0, -1.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0) : cv::Matx33d::eye();
	const cv::Matx33d keystone(1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0002, 1.0);
	const cv::Matx33d placed(scale, 0.0, 320.0, 0.0, scale, 240.0, 0.0, 0.0, 1.0);
	return placed * keystone * turn * centred;
}

/// The table as the camera sees it: paper at 120, perhaps drawn on, and the picture
/// shown `latency` reads ago adding up to 100 on the paper, blurred by the
/// lenses, with a new grain of 2 levels every frame. Once `dark`, the light no
/// longer reaches it.
struct PaperCamera
{
	cv::Matx33d toCamera;
	/// A marker card and thick strokes on the paper, which give no light back.
	bool drawn = true;
	int latency = 1;
	bool dark = false;
	std::vector<cv::Mat> shown = {};
	cv::RNG rng = cv::RNG(5);

	cv::Mat read()
	{
		cv::Mat reflects = cv::Mat::zeros(480, 640, CV_32FC3);
		reflects(paper).setTo(cv::Scalar::all(1.0));
		if (drawn)
		{
			reflects(cv::Rect(380, 170, 80, 80)).setTo(cv::Scalar::all(0.0));
			cv::line(reflects, cv::Point(150, 330), cv::Point(500, 300), cv::Scalar::all(0.0), 4);
		}
		cv::Mat frame = reflects * 120.0;
		const int index = int(shown.size()) - 1 - latency;
		if (!dark && index >= 0 && !shown[size_t(index)].empty())
		{
			cv::Mat light;
			cv::warpPerspective(shown[size_t(index)], light, cv::Matx33d(toCamera), frame.size(), cv::INTER_AREA);
			light.convertTo(light, CV_32FC3, 100.0 / 255.0);
			cv::Mat onPaper = light.mul(reflects);
			cv::GaussianBlur(onPaper, onPaper, cv::Size(0, 0), 1.0);
			frame += onPaper;
		}
		cv::Mat grain(frame.size(), CV_32FC3);
		rng.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0.0), cv::Scalar::all(2.0));
		frame += grain;
		cv::Mat bytes;
		frame.convertTo(bytes, CV_8UC3);
		return bytes;
	}
};

/// Run until Done or Failed, or `passes` at most; returns the last pass.
int runUntilDone(ProjectorCalibrationRun& run, PaperCamera& camera, int pass, int passes = 200)
{
	while (run.state() != ProjectorCalibrationRun::Done && run.state() != ProjectorCalibrationRun::Failed && pass < passes)
	{
		run.see(camera.read(), ++pass);
		camera.shown.push_back(run.picture().clone());
	}
	return pass;
}

TEST(PatternOnBoard, APictureHalfOffThePaperIsMeasuredAgainOverTheBoardAlone)
{
	struct Case
	{
		const char* what;
		double scale;
		bool turned;
		bool drawn;
		/// The second pattern is shown, and the camera sees it.
		bool twoSteps;
		bool secondSeen;
	};
	const Case cases[] = {
		{"a picture within the paper", 0.6, false, false, false, true},
		{"a picture turned across the drawn paper", 0.9, true, true, true, true},
		{"a second pattern the camera never sees", 0.9, true, true, true, false},
	};
	const cv::Matx33d paperToMm = cv::Matx33d::diag(cv::Vec3d(0.7, 0.7, 1.0));
	const cv::Matx33d paperToCamera(1.0, 0.0, paper.x, 0.0, 1.0, paper.y, 0.0, 0.0, 1.0);
	const ErrorArea board = boardErrorArea(paperToCamera, paper.size(), paperToMm);
	for (const Case& c : cases)
	{
		PaperCamera camera{projectorToCamera(c.scale, c.turned), c.drawn};
		const cv::Matx33d truth = camera.toCamera.inv();
		ProjectorCalibrationRun run(pictureSize);
		int pass = runUntilDone(run, camera, 0);
		ASSERT_EQ(run.state(), ProjectorCalibrationRun::Done) << c.what << ": " << run.problem();
		const CharucoLayout firstLayout = run.shownPattern().layout;
		ProjectorCalibration first;
		std::string firstRefusal;
		const bool firstFitted = run.fit(noLens, board, first, firstRefusal);

		ASSERT_EQ(run.aimAtBoard(noLens, board), c.twoSteps) << c.what << ": " << firstRefusal;
		if (c.twoSteps)
		{
			// The first fit was refused or poor; the second pattern lights the
			// board and nothing beside it, with more corners there.
			EXPECT_TRUE(!firstFitted || first.rmsPixels > 1.0) << c.what;
			ASSERT_EQ(run.state(), ProjectorCalibrationRun::Showing) << c.what;
			cv::Mat lit;
			cv::cvtColor(run.picture(), lit, cv::COLOR_BGR2GRAY);
			const cv::Rect drawn = cv::boundingRect(lit);
			for (const cv::Point corner : {drawn.tl(), drawn.br(), cv::Point(drawn.x, drawn.br().y), cv::Point(drawn.br().x, drawn.y)})
			{
				const cv::Point2d at = applyHomography(camera.toCamera, corner);
				EXPECT_TRUE(at.inside(cv::Rect2d(paper.x - 3.0, paper.y - 3.0, paper.width + 6.0, paper.height + 6.0)))
					<< c.what << ": the second pattern lights " << at << ", off the paper";
			}
			camera.dark = !c.secondSeen;
			pass = runUntilDone(run, camera, pass);
			ASSERT_EQ(run.state(), ProjectorCalibrationRun::Done) << c.what << ": " << run.problem();
		}
		EXPECT_FALSE(run.aimAtBoard(noLens, board)) << c.what << ": asked twice";
		ProjectorCalibration result;
		std::string refusal;
		const bool fitted = run.fit(noLens, board, result, refusal);
		if (c.twoSteps && !c.secondSeen)
		{
			// Back to the first pattern's frames and figures.
			EXPECT_EQ(run.shownPattern().layout.squaresX, firstLayout.squaresX) << c.what;
			EXPECT_EQ(fitted, firstFitted) << c.what;
			EXPECT_EQ(result.cornersFound, first.cornersFound) << c.what;
			continue;
		}
		ASSERT_TRUE(fitted) << c.what << ": " << refusal;
		EXPECT_EQ(result.latencyPasses, camera.latency) << c.what;
		EXPECT_LE(result.rmsPixels, 1.0) << c.what;
		// Against the true map, wherever the board is lit: what was said of the
		// error over the board does not understate it.
		double worst = 0.0;
		for (const cv::Point2d& point : board.points)
		{
			const cv::Point2d lit = applyHomography(truth, point);
			if (lit.inside(cv::Rect2d(0.0, 0.0, pictureSize.width, pictureSize.height)))
			{
				worst = std::max(worst, cv::norm(applyHomography(result.cameraToProjector, point) - lit));
			}
		}
		EXPECT_LE(worst, std::max(1.0, result.largestPixels)) << c.what;
		std::printf("%s: %s, %d of %d corners, %.2f px RMS over the board (%.2f at most), truly at most %.2f\n", c.what,
			c.twoSteps ? "two steps" : "one step", result.cornersUsed, result.cornersFound, result.rmsPixels,
			result.largestPixels, worst);
	}
}

}  // namespace
