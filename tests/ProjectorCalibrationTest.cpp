#include "ScratchFiles.h"
#include "TestSupport.h"

#include "analysis/ColourRanges.h"
#include "calibration/ProjectorCalibration.h"
#include "calibration/ProjectorCalibrationRun.h"
#include "render/ProjectedShapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

#include <fstream>

namespace
{

/// The shipped camera's lens: centre (321, 241), strength 3.
const double lens[4] = {321.0, 241.0, 3.0, 1.0};

/// A strongly keystoned projector: ideal camera pixels to projector pixels.
const cv::Matx33d keystoned(1.9, 0.35, 40.0, -0.12, 2.2, 15.0, 0.0002, 0.0009, 1.0);

cv::Point2d apply(const cv::Matx33d& h, cv::Point2d p)
{
	const cv::Vec3d q = h * cv::Vec3d(p.x, p.y, 1.0);
	return cv::Point2d(q[0] / q[2], q[1] / q[2]);
}

/// What a camera would report of the pattern: every corner through the true
/// map into the camera, then through the lens, with noise of `sigma` pixels.
CharucoView seenThrough(const ProjectorPattern& pattern, const cv::Matx33d& cameraToProjector, double sigma)
{
	cv::RNG rng(11);
	CharucoView seen;
	for (size_t id = 0; id < pattern.cornerAt.size(); ++id)
	{
		if (!pattern.hasCorner[id])
		{
			continue;
		}
		const cv::Point2d ideal = apply(cameraToProjector.inv(), pattern.cornerAt[id]);
		double x, y;
		arParamIdeal2Observ(lens, ideal.x, ideal.y, &x, &y);
		seen.corners.emplace_back(float(x + rng.gaussian(sigma)), float(y + rng.gaussian(sigma)));
		seen.ids.push_back(int(id));
	}
	return seen;
}

TEST(ProjectorCalibration, PatternFillsThePictureAndKnowsEveryCorner)
{
	for (const cv::Size size : {cv::Size(1280, 800), cv::Size(1920, 1080), cv::Size(800, 600), cv::Size(160, 120)})
	{
		const ProjectorPattern pattern = makeProjectorPattern(size);
		EXPECT_EQ(pattern.picture.size(), size);
		EXPECT_EQ(pattern.chessboard.size(), size);
		EXPECT_EQ(std::count(pattern.hasCorner.begin(), pattern.hasCorner.end(), true), pattern.layout.cornerCount())
			<< size;
		// The plain chessboard changes colour exactly at each corner.
		const cv::Point2f corner = pattern.cornerAt[0];
		const cv::Mat& plain = pattern.chessboard;
		const auto at = [&](float dx, float dy) { return plain.at<cv::Vec3b>(int(corner.y + dy), int(corner.x + dx))[0]; };
		EXPECT_EQ(at(-0.5f, -0.5f), at(0.5f, 0.5f));
		EXPECT_NE(at(-0.5f, -0.5f), at(0.5f, -0.5f));
	}
}

TEST(ProjectorCalibration, RobustFitRecoversTheMapThroughTheLensAndLeavesWrongCornersOut)
{
	const ProjectorPattern pattern = makeProjectorPattern(cv::Size(1280, 800));
	CharucoView seen = seenThrough(pattern, keystoned, 0.1);
	// Three corners taken for others, far off.
	for (int i = 0; i < 3; ++i)
	{
		seen.corners[size_t(i) * 7] += cv::Point2f(35.0f, -20.0f);
	}
	const cv::Matx33d idealToMm = cv::Matx33d::diag(cv::Vec3d(0.6, 0.6, 1.0));
	ProjectorCalibration result;
	std::string problem;
	ASSERT_TRUE(fitProjectorCalibration(pattern, seen, lens, &idealToMm, result, problem)) << problem;
	EXPECT_EQ(result.cornersFound, pattern.layout.cornerCount());
	EXPECT_EQ(result.cornersUsed, result.cornersFound - 3);
	EXPECT_LT(result.rmsPixels, 0.5);
	EXPECT_GT(result.rmsMm, 0.0);
	EXPECT_LT(result.rmsMm, 0.2);
	for (const cv::Point2d camera : {cv::Point2d(100, 100), cv::Point2d(320, 240), cv::Point2d(600, 420)})
	{
		EXPECT_LT(cv::norm(apply(result.cameraToProjector, camera) - apply(keystoned, camera)), 0.5) << camera;
	}
	// What is said of it: the corners used of those found, the error in
	// projector pixels and on the board, the latency.
	result.latencyPasses = 3;
	const std::string said = describeCalibration(result);
	const std::string corners = std::to_string(result.cornersUsed) + " of " + std::to_string(result.cornersFound) + " corners";
	EXPECT_NE(said.find(corners), std::string::npos) << said;
	EXPECT_NEAR(numberAfter(said, "error "), result.rmsPixels, 0.005) << said;
	EXPECT_NE(said.find("projector pixels"), std::string::npos) << said;
	EXPECT_NEAR(numberAfter(said, "("), result.rmsMm, 0.005) << said;
	EXPECT_NE(said.find("mm on the board"), std::string::npos) << said;
	EXPECT_EQ(numberAfter(said, "latency "), 3.0) << said;

	// Without the board, nothing is known in millimetres, and it says so.
	ProjectorCalibration withoutBoard;
	ASSERT_TRUE(fitProjectorCalibration(pattern, seen, lens, nullptr, withoutBoard, problem)) << problem;
	EXPECT_LT(withoutBoard.rmsMm, 0.0);
	EXPECT_NE(describeCalibration(withoutBoard).find("mm unknown"), std::string::npos) << describeCalibration(withoutBoard);
}

TEST(ProjectorCalibration, PoorFitsAreRefusedWithTheirCauseAndWhatToChange)
{
	const ProjectorPattern pattern = makeProjectorPattern(cv::Size(1280, 800));
	// A refusal names its cause with a count: the corners found, or those that agree.
	struct Case
	{
		const char* what;
		CharucoView seen;
		int found;
		const char* counted;
		const char* advice;
	};
	CharucoView few = seenThrough(pattern, keystoned, 0.1);
	few.corners.resize(8);
	few.ids.resize(8);
	CharucoView unknownIds = seenThrough(pattern, keystoned, 0.1);
	for (int& id : unknownIds.ids)
	{
		id += 1000;
	}
	const int all = pattern.layout.cornerCount();
	const Case cases[] = {
		{"too few corners", few, 8, "camera found ", "darken the room"},
		{"corners of no pattern", unknownIds, 0, "camera found ", "darken the room"},
		{"a shaky picture", seenThrough(pattern, keystoned, 3.0), all, "only ", "still"},
		{"nothing seen", CharucoView(), 0, "camera found ", "darken the room"},
	};
	for (const Case& c : cases)
	{
		ProjectorCalibration result;
		std::string problem;
		EXPECT_FALSE(fitProjectorCalibration(pattern, c.seen, lens, nullptr, result, problem)) << c.what;
		EXPECT_EQ(result.cornersFound, c.found) << c.what;
		if (std::string(c.counted) == "only ")
		{
			// Fewer than half agree; the message says how many of how many.
			EXPECT_LT(2 * result.cornersUsed, result.cornersFound) << c.what;
			EXPECT_EQ(numberAfter(problem, "only "), result.cornersUsed) << c.what;
			EXPECT_EQ(numberAfter(problem, " of the "), result.cornersFound) << c.what;
		}
		else
		{
			EXPECT_EQ(numberAfter(problem, c.counted), c.found) << c.what;
			EXPECT_EQ(numberAfter(problem, "at least "), minCalibrationCorners) << c.what;
		}
		EXPECT_NE(problem.find(c.advice), std::string::npos) << c.what << ": " << problem;
	}

	// Corners that agree but miss the board by more than the limit allows (a
	// camera so far that a pixel is 10 mm): both misses are said, and the limits.
	const cv::Matx33d coarse = cv::Matx33d::diag(cv::Vec3d(10.0, 10.0, 1.0));
	ProjectorCalibration loose;
	std::string problem;
	EXPECT_FALSE(fitProjectorCalibration(pattern, seenThrough(pattern, keystoned, 0.5), lens, &coarse, loose, problem));
	EXPECT_LE(loose.rmsPixels, maxCalibrationPixels);
	EXPECT_GT(loose.rmsMm, maxCalibrationMm);
	EXPECT_NEAR(numberAfter(problem, "misses by "), loose.rmsPixels, 0.005) << problem;
	EXPECT_NEAR(numberAfter(problem, "projector pixels ("), loose.rmsMm, 0.005) << problem;
	EXPECT_EQ(numberAfter(problem, "more than "), maxCalibrationPixels) << problem;
	EXPECT_NE(problem.find("focus"), std::string::npos) << problem;

	// A good fit whose millimetres are no number (a board map gone wrong) is no good fit.
	const cv::Matx33d noMillimetres = cv::Matx33d::all(std::nan(""));
	ProjectorCalibration result;
	EXPECT_FALSE(fitProjectorCalibration(pattern, seenThrough(pattern, keystoned, 0.1), lens, &noMillimetres, result,
		problem));
	EXPECT_TRUE(std::isnan(result.rmsMm)) << result.rmsMm;
}

TEST(ProjectorCalibration, FileKeepsTheCalibrationAndBadFilesAreNamed)
{
	ProjectorCalibration written;
	written.projectorSize = cv::Size(1280, 800);
	written.cameraSize = cv::Size(640, 480);
	written.cameraToProjector = keystoned;
	written.latencyPasses = 3;
	written.rmsPixels = 0.42;
	written.rmsMm = 0.15;
	written.cornersFound = 31;
	written.cornersUsed = 29;
	const std::string path = scratchPath("projector.yml");
	std::string error;
	ASSERT_TRUE(saveProjectorCalibration(path, written, error)) << error;
	ProjectorCalibration read;
	ASSERT_TRUE(loadProjectorCalibration(path, read, error)) << error;
	EXPECT_EQ(read.projectorSize, written.projectorSize);
	EXPECT_EQ(read.cameraSize, written.cameraSize);
	EXPECT_LT(cv::norm(cv::Mat(read.cameraToProjector), cv::Mat(keystoned)), 1e-9);
	EXPECT_EQ(read.latencyPasses, 3);
	EXPECT_EQ(read.cornersUsed, 29);

	const std::string matrix = "cameraToProjector: !!opencv-matrix\n   rows: 3\n   cols: 3\n   dt: d\n   data: [ ";
	const std::string sizes = "%YAML:1.0\nprojectorSize: [ 1280, 800 ]\ncameraSize: [ 640, 480 ]\n";
	const std::pair<std::string, std::string> bad[] = {
		{"nothing at all {{{", "cannot"},
		{sizes + matrix + "1, 0, 0, 0, 1, 0, 0, 0, 0 ]\nlatencyPasses: 2\n", "cannot be inverted"},
		{sizes + matrix.substr(0, matrix.find("rows")) + "rows: 2\n   cols: 2\n   dt: d\n   data: [ 1, 0, 0, 1 ]\n", "3 x 3"},
		{sizes + matrix + "1, 0, 0, 0, 1, 0, 0, 0, 1 ]\nlatencyPasses: -4\n", "latencyPasses"},
		{"%YAML:1.0\nprojectorSize: [ 0, 800 ]\ncameraSize: [ 640, 480 ]\n" + matrix
				+ "1, 0, 0, 0, 1, 0, 0, 0, 1 ]\n",
			"positive"},
	};
	for (const auto& [text, reason] : bad)
	{
		std::ofstream(path) << text;
		error.clear();
		EXPECT_FALSE(loadProjectorCalibration(path, read, error)) << text;
		EXPECT_EQ(error.rfind(path, 0), 0u) << error;
		EXPECT_NE(error.find(reason), std::string::npos) << text << " gave " << error;
	}
	EXPECT_FALSE(loadProjectorCalibration(scratchPath("none.yml"), read, error));
	EXPECT_FALSE(saveProjectorCalibration(scratchPath("no/such/folder/p.yml"), written, error));
}

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
		ProjectorCalibrationRun run(cv::Size(320, 200));
		int pass = 0;
		while (run.state() != ProjectorCalibrationRun::Done && run.state() != ProjectorCalibrationRun::Failed
			&& pass < 200)
		{
			run.see(camera.read(), ++pass);
			camera.shown.push_back(run.picture().clone());
		}
		ASSERT_EQ(run.state(), ProjectorCalibrationRun::Done) << run.problem;
		EXPECT_EQ(run.latency, latency);
		EXPECT_EQ(cv::norm(run.darkFrame, cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(120)), cv::NORM_INF), 0.0);
		EXPECT_GT(cv::norm(run.litFrame, run.darkFrame, cv::NORM_INF), 50.0);
		EXPECT_GT(cv::norm(run.chessboardFrame, run.litFrame, cv::NORM_INF), 50.0) << "the plain board differs";
	}

	// A projector the camera never sees, and a picture that never keeps still.
	ProjectorCalibrationRun unseen(cv::Size(320, 200));
	cv::RNG rng(3);
	ProjectorCalibrationRun restless(cv::Size(320, 200));
	for (int pass = 1; pass <= 200; ++pass)
	{
		unseen.see(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(120)), pass);
		cv::Mat noisy(480, 640, CV_8UC3);
		rng.fill(noisy, cv::RNG::UNIFORM, 0, 255);
		restless.see(noisy, pass);
	}
	EXPECT_EQ(unseen.state(), ProjectorCalibrationRun::Failed);
	EXPECT_NE(unseen.problem.find("did not see"), std::string::npos);
	EXPECT_EQ(restless.state(), ProjectorCalibrationRun::Failed);
	EXPECT_NE(restless.problem.find("keep still"), std::string::npos);
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
