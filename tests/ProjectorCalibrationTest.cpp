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

/// The shipped camera's lens: centre (321, 241), strength 3.
const double lens[4] = {321.0, 241.0, 3.0, 1.0};

/// A strongly keystoned projector: ideal camera pixels to projector pixels.
const cv::Matx33d keystoned(1.9, 0.35, 40.0, -0.12, 2.2, 15.0, 0.0002, 0.0009, 1.0);

/// A board that fills the camera's ideal picture, 0.6 mm a pixel.
ErrorArea boardFillingThePicture(double mmPerPixel = 0.6)
{
	return boardErrorArea(cv::Matx33d::eye(), cv::Size(640, 480), cv::Matx33d::diag(cv::Vec3d(mmPerPixel, mmPerPixel, 1.0)));
}

/// What a camera would report of the pattern: every corner through the true
/// map into the camera, then through the lens, with noise of `sigma` pixels.
CharucoView seenThrough(const ProjectorPattern& pattern, const cv::Matx33d& cameraToProjector, double sigma,
	const double* seenLens = lens)
{
	cv::RNG rng(11);
	CharucoView seen;
	for (size_t id = 0; id < pattern.cornerAt.size(); ++id)
	{
		if (!pattern.hasCorner[id])
		{
			continue;
		}
		const cv::Point2d ideal = applyHomography(cameraToProjector.inv(), pattern.cornerAt[id]);
		double x, y;
		arParamIdeal2Observ(seenLens, ideal.x, ideal.y, &x, &y);
		// One draw after the other: the order of a call's arguments is the compiler's choice.
		const double noiseX = rng.gaussian(sigma);
		const double noiseY = rng.gaussian(sigma);
		seen.corners.emplace_back(float(x + noiseX), float(y + noiseY));
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
	ProjectorCalibration result;
	std::string problem;
	ASSERT_TRUE(fitProjectorCalibration(pattern, seen, lens, boardFillingThePicture(), result, problem)) << problem;
	EXPECT_EQ(result.cornersFound, pattern.layout.cornerCount());
	EXPECT_EQ(result.cornersUsed, result.cornersFound - 3);
	EXPECT_GT(result.rmsPixels, 0.0);
	EXPECT_LT(result.rmsPixels, result.largestPixels);
	EXPECT_LT(result.largestPixels, 0.5);
	EXPECT_GT(result.rmsMm, 0.0);
	EXPECT_LT(result.largestMm, 0.2);
	EXPECT_FALSE(result.mirrored);
	for (const cv::Point2d camera : {cv::Point2d(100, 100), cv::Point2d(320, 240), cv::Point2d(600, 420)})
	{
		EXPECT_LT(cv::norm(applyHomography(result.cameraToProjector, camera) - applyHomography(keystoned, camera)), 0.5) << camera;
	}
	// What is said of it: the corners used of those found, the error in
	// projector pixels and on the board, the latency.
	result.latencyPasses = 3;
	const std::string said = describeCalibration(result);
	const std::string corners = std::to_string(result.cornersUsed) + " of " + std::to_string(result.cornersFound) + " corners";
	EXPECT_NE(said.find(corners), std::string::npos) << said;
	EXPECT_NEAR(numberAfter(said, "error over the board "), result.rmsPixels, 0.005) << said;
	EXPECT_NEAR(numberAfter(said, "projector pixels RMS, at most "), result.largestPixels, 0.005) << said;
	EXPECT_NEAR(numberAfter(said, "("), result.rmsMm, 0.005) << said;
	EXPECT_NEAR(numberAfter(said, "mm RMS, at most "), result.largestMm, 0.005) << said;
	EXPECT_EQ(numberAfter(said, "latency "), 3.0) << said;
	EXPECT_EQ(said.find("mirror"), std::string::npos) << said;

	// Without the board, nothing is known in millimetres, and it says so.
	ProjectorCalibration withoutBoard;
	ASSERT_TRUE(fitProjectorCalibration(pattern, seen, lens, pictureErrorArea(cv::Size(640, 480), lens), withoutBoard,
		problem)) << problem;
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
		EXPECT_FALSE(fitProjectorCalibration(pattern, c.seen, lens, boardFillingThePicture(), result, problem)) << c.what;
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
	ProjectorCalibration loose;
	std::string problem;
	EXPECT_FALSE(fitProjectorCalibration(pattern, seenThrough(pattern, keystoned, 0.5), lens, boardFillingThePicture(10.0),
		loose, problem));
	EXPECT_LE(loose.largestPixels, maxCalibrationPixels);
	EXPECT_GT(loose.largestMm, maxCalibrationMm);
	EXPECT_NEAR(numberAfter(problem, "may miss by up to "), loose.largestMm, 0.005) << problem;
	EXPECT_NEAR(numberAfter(problem, "mm ("), loose.largestPixels, 0.005) << problem;
	EXPECT_EQ(numberAfter(problem, "more than "), maxCalibrationMm) << problem;
	EXPECT_NE(problem.find("focus"), std::string::npos) << problem;

	// Corners in one corner of the picture only, seen through a lens bent far
	// more than the camera file says: near them the map is good and its RMS
	// holds the limit, but the far side of the board is extrapolated through the
	// wrong bend. The limit is for the largest.
	const double strongerLens[4] = {lens[0], lens[1], 80.0, lens[3]};
	CharucoView corner = seenThrough(pattern, keystoned, 0.1, strongerLens);
	CharucoView kept;
	const int columns = pattern.layout.squaresX - 1;
	for (size_t i = 0; i < corner.ids.size(); ++i)
	{
		if (corner.ids[i] / columns < 3 && corner.ids[i] % columns < 5)
		{
			kept.ids.push_back(corner.ids[i]);
			kept.corners.push_back(corner.corners[i]);
		}
	}
	const ErrorArea fine = boardFillingThePicture(0.2);
	ProjectorCalibration partial;
	std::string why;
	EXPECT_FALSE(fitProjectorCalibration(pattern, kept, lens, fine, partial, why));
	EXPECT_LE(partial.rmsMm, maxCalibrationMm);
	EXPECT_GT(partial.largestMm, maxCalibrationMm);
	EXPECT_NEAR(numberAfter(why, "may miss by up to "), partial.largestMm, 0.005) << why;
	// And so it truly does: where the fitted map sends the light of the board's
	// far points, against where it should go.
	double trulyLargestMm = 0.0;
	for (const cv::Point2d& point : fine.points)
	{
		const cv::Point2d landed = applyHomography(keystoned.inv(), applyHomography(partial.cameraToProjector, point));
		trulyLargestMm = std::max(trulyLargestMm, 0.2 * cv::norm(landed - point));
	}
	EXPECT_GT(trulyLargestMm, maxCalibrationMm);

	// A good fit whose millimetres are no number (a board map gone wrong) is no good fit.
	ErrorArea noMillimetres = boardFillingThePicture();
	noMillimetres.toMm = cv::Matx33d::all(std::nan(""));
	ProjectorCalibration result;
	EXPECT_FALSE(fitProjectorCalibration(pattern, seenThrough(pattern, keystoned, 0.1), lens, noMillimetres, result,
		problem));
	EXPECT_TRUE(std::isnan(result.largestMm)) << result.largestMm;
}

/// A calibration as an accepted measurement leaves it.
ProjectorCalibration acceptedCalibration()
{
	ProjectorCalibration c;
	c.projectorSize = cv::Size(1280, 800);
	c.cameraSize = cv::Size(640, 480);
	c.cameraToProjector = keystoned;
	c.latencyPasses = 3;
	c.rmsPixels = 0.42;
	c.largestPixels = 0.95;
	c.rmsMm = 0.15;
	c.largestMm = 0.33;
	c.cornersFound = 31;
	c.cornersUsed = 29;
	c.cameraParameters = "fnv1a64 0123456789abcdef, 136 bytes";
	return c;
}

std::string fileText(const std::string& path)
{
	std::ifstream in(path);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The text with the line of `key` left out.
std::string withoutLine(const std::string& text, const std::string& key)
{
	const size_t at = text.find("\n" + key + ":");
	return at == std::string::npos ? text : text.substr(0, at) + text.substr(text.find('\n', at + 1));
}

TEST(ProjectorCalibration, FileKeepsTheCalibrationAndBadFilesAreNamed)
{
	const ProjectorCalibration written = acceptedCalibration();
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
	EXPECT_EQ(read.largestPixels, 0.95);
	EXPECT_EQ(read.largestMm, 0.33);
	EXPECT_EQ(read.cameraParameters, written.cameraParameters);
	EXPECT_FALSE(read.mirrored);
	const std::string good = fileText(path);

	// Measured through a mirror: the map turns the board over, and the file says so.
	const cv::Matx33d flipX(-1.0, 0.0, 1279.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0);
	ProjectorCalibration mirror = written;
	mirror.cameraToProjector = flipX * keystoned;
	mirror.mirrored = true;
	ASSERT_TRUE(saveProjectorCalibration(path, mirror, error)) << error;
	ASSERT_TRUE(loadProjectorCalibration(path, read, error)) << error;
	EXPECT_TRUE(read.mirrored);

	// A file refused names itself and its cause; each is one change to an
	// accepted calibration, written as the program writes it, or to its text.
	struct Bad
	{
		const char* what;
		std::function<void(ProjectorCalibration&)> change;
		std::string text;
		const char* reason;
	};
	const auto same = [](ProjectorCalibration&) {};
	const Bad bad[] = {
		{"no file format", same, "nothing at all {{{", "cannot"},
		{"a map that cannot be inverted", [](ProjectorCalibration& c) { c.cameraToProjector = cv::Matx33d::diag(cv::Vec3d(1, 1, 0)); }, "", "cannot be inverted"},
		{"latency", [](ProjectorCalibration& c) { c.latencyPasses = -4; }, "", "latencyPasses"},
		{"no picture", [](ProjectorCalibration& c) { c.projectorSize.width = 0; }, "", "positive"},
		{"an error of 1e9 pixels", [](ProjectorCalibration& c) { c.largestPixels = 1e9; }, "", "1000000000.00 at most, which no calibration accepted has"},
		{"pixels above the limit, the board not found", [](ProjectorCalibration& c) { c.largestPixels = 2.5; c.rmsMm = c.largestMm = -1.0; }, "", "2.50 at most"},
		{"a negative error", [](ProjectorCalibration& c) { c.rmsPixels = -0.4; }, "", "-0.40 projector pixels RMS"},
		{"an RMS above its largest", [](ProjectorCalibration& c) { c.rmsPixels = 1.5; }, "", "1.50 projector pixels RMS, 0.95 at most"},
		{"millimetres above the limit", [](ProjectorCalibration& c) { c.largestMm = 7.5; }, "", "7.50 mm at most"},
		{"-3 corners", [](ProjectorCalibration& c) { c.cornersUsed = -3; }, "", "cornersUsed -3 of cornersFound 31"},
		{"too few corners", [](ProjectorCalibration& c) { c.cornersUsed = c.cornersFound = 8; }, "", "at least 12"},
		{"corners most of which disagreed", [](ProjectorCalibration& c) { c.cornersFound = 80; }, "", "cornersUsed 29 of cornersFound 80"},
		{"a mirrored map", [&](ProjectorCalibration& c) { c.cameraToProjector = flipX * keystoned; }, "", "turns the board over"},
		{"a map turned over by its sign", [](ProjectorCalibration& c) { c.cameraToProjector = keystoned * cv::Matx33d::diag(cv::Vec3d(1, -1, 1)); }, "", "turns the board over"},
		{"a mirror the map does not show", [](ProjectorCalibration& c) { c.mirrored = true; }, "", "says the map is mirrored"},
		{"no camera parameters", same, withoutLine(good, "cameraParameters"), "no cameraParameters"},
		{"no largest error", same, withoutLine(good, "largestProjectorPixels"), "no largestProjectorPixels"},
	};
	for (const Bad& b : bad)
	{
		ProjectorCalibration changed = written;
		b.change(changed);
		ASSERT_TRUE(saveProjectorCalibration(path, changed, error)) << error;
		if (!b.text.empty())
		{
			std::ofstream(path) << b.text;
		}
		error.clear();
		EXPECT_FALSE(loadProjectorCalibration(path, read, error)) << b.what;
		EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
		EXPECT_NE(error.find(b.reason), std::string::npos) << b.what << " gave " << error;
		EXPECT_EQ(error.find('\n'), std::string::npos) << error;
	}
	// A map scaled by -1 is the same map.
	ProjectorCalibration negated = written;
	negated.cameraToProjector = keystoned * -1.0;
	ASSERT_TRUE(saveProjectorCalibration(path, negated, error)) << error;
	EXPECT_TRUE(loadProjectorCalibration(path, read, error)) << error;

	EXPECT_FALSE(loadProjectorCalibration(scratchPath("none.yml"), read, error));
	EXPECT_FALSE(saveProjectorCalibration(scratchPath("no/such/folder/p.yml"), written, error));
}

TEST(ProjectorCalibration, CameraParametersAreRecordedByTheirBytes)
{
	const std::string path = scratchPath("camera_para.dat");
	std::ofstream(path, std::ios::binary) << std::string("\0\0\2\x80 some bytes", 15);
	const std::string first = cameraParametersRecord(path);
	EXPECT_NE(first.find("15 bytes"), std::string::npos) << first;
	EXPECT_EQ(cameraParametersRecord(path), first);
	// One bit changed anywhere is another record.
	std::ofstream(path, std::ios::binary) << std::string("\0\0\2\x81 some bytes", 15);
	EXPECT_NE(cameraParametersRecord(path), first);
	EXPECT_EQ(cameraParametersRecord(scratchPath("no such file")), "");
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
		ASSERT_EQ(run.state(), ProjectorCalibrationRun::Done) << run.problem();
		EXPECT_EQ(run.latency(), latency);
		EXPECT_EQ(cv::norm(run.darkFrame(), cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(120)), cv::NORM_INF), 0.0);
		EXPECT_GT(cv::norm(run.litFrame(), run.darkFrame(), cv::NORM_INF), 50.0);
		EXPECT_GT(cv::norm(run.chessboardFrame(), run.litFrame(), cv::NORM_INF), 50.0) << "the plain board differs";
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
