#include "ScratchFiles.h"
#include "TestSupport.h"

#include "calibration/ProjectorCalibration.h"
#include "core/Homography.h"

#include <gtest/gtest.h>

#include <cmath>

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
	for (const cv::Size size : {cv::Size(1280, 800), cv::Size(1920, 1080), cv::Size(800, 600), smallestProjectorPicture})
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
	// A picture the calibration cannot measure has no pattern to show.
	for (const cv::Size size : {cv::Size(160, 120), cv::Size(319, 240), cv::Size(1280, 200)})
	{
		EXPECT_THROW(makeProjectorPattern(size), cv::Exception) << size;
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

/// What the projector's white adds to white paper, channel by channel, is
/// read from the lit frame less the dark one: the brightest of the lit paper,
/// not the few pixels that glint, nor the unlit paper beside the picture.
/// Too little lit to tell, and frames that do not match, leave it unknown.
TEST(ProjectorCalibration, PaperLightIsWhatTheProjectorsWhiteAddsInEachChannel)
{
	const cv::Mat dark(120, 160, CV_8UC3, cv::Scalar(70, 80, 90));
	cv::Mat lit = dark.clone();
	// A warm projector over the left two thirds, a little uneven; glints at its edge.
	cv::RNG rng(5);
	for (int y = 0; y < lit.rows; ++y)
	{
		for (int x = 0; x < 100; ++x)
		{
			const double shade = 0.9 + 0.1 * rng.uniform(0.0, 1.0);
			lit.at<cv::Vec3b>(y, x) += cv::Vec3b(uchar(40 * shade), uchar(90 * shade), uchar(150 * shade));
		}
	}
	lit.colRange(100, 104).setTo(cv::Scalar(255, 255, 255));
	const cv::Vec3d light = paperLightOf(lit, dark);
	const cv::Vec3d expected(40.0, 90.0, 150.0);
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(light[c], expected[c], 0.03 * expected[c]) << "channel " << c << " of " << light;
	}

	const cv::Vec3d unknown(255.0, 255.0, 255.0);
	cv::Mat hardlyLit = dark.clone();
	hardlyLit(cv::Rect(0, 0, 9, 9)) += cv::Scalar(40, 90, 150);
	EXPECT_EQ(paperLightOf(hardlyLit, dark), unknown);
	EXPECT_EQ(paperLightOf(lit, cv::Mat()), unknown);
	EXPECT_EQ(paperLightOf(lit, dark(cv::Rect(0, 0, 80, 60)).clone()), unknown);
}

}  // namespace
