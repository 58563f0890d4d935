#include "SceneFrames.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>

// What a home adds, measured in the synthetic camera's frames as a user's
// webcam would show it: each effect where and as strong as its statement
// says, and nothing of it elsewhere. Board points are board pixels; the
// camera is straight above the board, white paper at 255 without noise.

namespace
{

/// A smooth step's edge of width W goes from 10 % to 90 % over this share of W.
constexpr double tenToNinety = 0.608;

const cv::Point2d freePaper(320, 300);

TEST(HomeCamera, ShadowsDarkenThePaperUnderThemByTheirDarknessWithTheirSoftEdge)
{
	SceneFrames scene(plainScene("shadow band 200 240 440 240 80 darkness 0.4 soft 20\n"
								 "shadow disc 320 390 40 darkness 0.3 soft 10\n"
								 "shadow polygon 150 150 250 150 250 190 150 190 darkness 0.6 soft 0\n"
								 "shadow disc 420 390 30 darkness 0.5\n"
								 "shadow disc 440 390 30 darkness 0.5\n"));
	const cv::Mat frame = scene.frame(1);
	const cv::Vec3d paper = scene.colourAt(frame, freePaper);
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(paper[c], 255.0, 0.5);
		EXPECT_NEAR(scene.colourAt(frame, {320, 240})[c], 255.0 * 0.6, 1.5);
		EXPECT_NEAR(scene.colourAt(frame, {320, 390})[c], 255.0 * 0.7, 1.5);
		EXPECT_NEAR(scene.colourAt(frame, {200, 170})[c], 255.0 * 0.4, 1.5);
		// Two shadows over each other: each takes its share of what is left.
		EXPECT_NEAR(scene.colourAt(frame, {430, 390})[c], 255.0 * 0.5 * 0.5, 1.5);
	}
	// The band's edge runs along y = 280, 20 board pixels wide; the polygon's is sharp.
	EXPECT_NEAR(scene.edgeWidth(frame, {320, 260}, {320, 300}, 1), tenToNinety * 20.0, 1.5);
	EXPECT_LT(scene.edgeWidth(frame, {280, 170}, {220, 170}, 1), 3.5);
}

TEST(HomeCamera, APatchOfOtherLightHasItsColourAndTheEdgeAsked)
{
	SceneFrames scene(plainScene("light exposure 0.9\n"
								 "patch half 320 240 0 temperature 2700 edge 30\n"
								 "patch polygon 150 160 230 160 230 200 150 200 exposure 0.45 edge 15\n"));
	const cv::Mat frame = scene.frame(1);
	const cv::Vec3d warm = colourTemperatureCast(2700.0f) * 0.9 * 255.0;
	const cv::Vec3d left = scene.colourAt(frame, {200, 300}), right = scene.colourAt(frame, {440, 300});
	const cv::Vec3d dim = scene.colourAt(frame, {190, 180});
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_NEAR(left[c], 0.9 * 255.0, 1.0);
		EXPECT_NEAR(right[c], warm[c], 1.5);
		EXPECT_NEAR(dim[c], 0.45 * 255.0, 1.5);
	}
	// Across x = 320 the light turns warm over 30 board pixels; blue changes most.
	EXPECT_NEAR(scene.edgeWidth(frame, {290, 300}, {350, 300}, 0), tenToNinety * 30.0, 1.5);
	EXPECT_NEAR(scene.edgeWidth(frame, {175, 180}, {125, 180}, 1), tenToNinety * 15.0, 1.5);

	// Towards 90 degrees is towards the board's top, whose y is smaller.
	SceneFrames upper(plainScene("patch half 320 240 90 exposure 0.5 edge 10\n"));
	const cv::Mat half = upper.frame(1);
	EXPECT_NEAR(upper.colourAt(half, {320, 200})[1], 0.5 * 255.0, 1.0);
	EXPECT_NEAR(upper.colourAt(half, {320, 280})[1], 255.0, 1.0);
}

TEST(HomeCamera, ALampClipsTheRedChannelNearItAndLightsLittleFarAway)
{
	SceneFrames scene(plainScene("light exposure 0.7\nlamp 320 240 height 100 strength 0.5\n"));
	const cv::Mat frame = scene.frame(1);
	const cv::Vec3d under = scene.colourAt(frame, {320, 240});
	EXPECT_EQ(under[2], 255.0);
	EXPECT_LT(under[0], 240.0);
	EXPECT_GT(under[0], 0.7 * 255.0 + 30.0);
	// 400 board pixels away a lamp 100 above gives 1.4 % of its light.
	const cv::Vec3d far = scene.colourAt(frame, {-80, 240});
	EXPECT_NEAR(far[2], 0.7 * 255.0 + 0.5 * 255.0 * std::pow(100.0 / std::hypot(100.0, 400.0), 3.0), 1.5);
}

TEST(HomeCamera, GlareSaturatesItsCoreOverInkAndItsHaloFades)
{
	SceneFrames scene(plainScene("light exposure 0.9\nglare 320 240 6 halo 20 0.6\n", "disc black 320 240 50\n"));
	const cv::Mat frame = scene.frame(1);
	const double ink = 25.0 * 0.9;
	for (int c = 0; c < 3; ++c)
	{
		EXPECT_EQ(scene.colourAt(frame, {320, 240})[c], 255.0);
		// Ten board pixels beyond the core: e^-0.75 of the halo's strength.
		EXPECT_NEAR(scene.colourAt(frame, {336, 240})[c], ink + 0.9 * 255.0 * 0.6 * std::exp(-0.75), 10.0);
		EXPECT_NEAR(scene.colourAt(frame, {320, 280})[c], ink, 2.0);
	}
}

/// The mean of the paper in the middle of an empty board, one channel.
double paperMean(const SceneFrames& scene, const cv::Mat& frame, int channel = 1)
{
	return scene.meanAt(frame, freePaper, 10)[channel];
}

TEST(HomeCamera, FlickerChangesEachFramesBrightnessByUpToItsAmplitude)
{
	SceneFrames steady(plainScene("light exposure 0.8\ncamera grain fresh\n"));
	SceneFrames flickering(plainScene("light exposure 0.8\ncamera flicker 0.1\n"));
	const double level = paperMean(steady, steady.frame(1));
	double lowest = 1e9, highest = 0.0;
	int changes = 0;
	double before = 0.0;
	for (int pass = 1; pass <= 60; ++pass)
	{
		EXPECT_NEAR(paperMean(steady, steady.frame(pass)), level, 0.01);
		const double now = paperMean(flickering, flickering.frame(pass));
		lowest = std::min(lowest, now);
		highest = std::max(highest, now);
		changes += std::abs(now - before) > 1.0 ? 1 : 0;
		before = now;
	}
	EXPECT_GE(lowest, level * 0.9 - 0.5);
	EXPECT_LE(highest, level * 1.1 + 0.5);
	EXPECT_LT(lowest, level * 0.93);
	EXPECT_GT(highest, level * 1.07);
	EXPECT_GE(changes, 50);
	// A frame is a function of its pass.
	EXPECT_EQ(cv::norm(flickering.frame(7), flickering.frame(7), cv::NORM_INF), 0.0);
}

TEST(HomeCamera, RollingBandsBrightenRowsPeriodicallyAndRollAsAsked)
{
	SceneFrames scene(plainScene("light exposure 0.8\ncamera bands 0.1 60 10\n"));
	const cv::Point2d middle = scene.pixelOf(freePaper);
	// Rows of paper only, in the board's middle.
	const cv::Rect strip(int(middle.x) - 20, int(middle.y) - 60, 40, 120);
	const auto rowMeans = [&](int pass) {
		cv::Mat means;
		cv::reduce(scene.frame(pass)(strip), means, 1, cv::REDUCE_AVG, CV_64F);
		std::vector<cv::Mat> channels;
		cv::split(means, channels);
		return channels[1];
	};
	const double paper = 0.8 * 255.0;
	for (int pass : {1, 2})
	{
		const cv::Mat rows = rowMeans(pass);
		for (int r = 0; r < strip.height; ++r)
		{
			const double expected =
				paper * (1.0 + 0.1 * std::sin(2.0 * CV_PI * (strip.y + r + 10.0 * pass) / 60.0));
			EXPECT_NEAR(rows.at<double>(r), expected, 1.0) << "row " << strip.y + r << " of pass " << pass;
		}
	}
}

TEST(HomeCamera, FreshGrainDiffersFromFrameToFrameAndTheFixedGrainDoesNot)
{
	SceneFrames fixed(plainScene("light exposure 0.8\ncamera noise 3\n"));
	SceneFrames fresh(plainScene("light exposure 0.8\ncamera noise 3 grain fresh\n"));
	EXPECT_FALSE(fixed.camera->inLinearLight());
	cv::Mat one, two;
	fixed.camera->read(one);
	fixed.camera->read(two);
	EXPECT_EQ(cv::norm(one, two, cv::NORM_INF), 0.0);

	const cv::Point2d middle = fresh.pixelOf(freePaper);
	const cv::Rect paper(int(middle.x) - 40, int(middle.y) - 30, 80, 60);
	cv::Scalar mean, deviation;
	fresh.camera->read(one);
	for (int pass = 2; pass <= 4; ++pass)
	{
		fresh.camera->read(two);
		cv::Mat difference;
		cv::subtract(one(paper), two(paper), difference, cv::noArray(), CV_32F);
		cv::meanStdDev(difference.reshape(1), mean, deviation);
		// Two independent grains of sigma 3.
		EXPECT_NEAR(deviation[0], std::sqrt(2.0) * 3.0, 0.4) << "pass " << pass;
		EXPECT_NEAR(mean[0], 0.0, 0.3);
		one = two.clone();
	}
	cv::meanStdDev(one(paper).reshape(1), mean, deviation);
	EXPECT_NEAR(deviation[0], 3.0, 0.3);
	EXPECT_NEAR(mean[0], 0.8 * 255.0, 0.3);
}

TEST(HomeCamera, ExposureAndWhiteBalanceFollowTheTimeline)
{
	SceneFrames scene(plainScene("light exposure 0.7\n") + "at 5 exposure 1.2 over 10\nat 20 balance 1 1 0.8\n");
	const double paper = 0.7 * 255.0;
	EXPECT_NEAR(paperMean(scene, scene.frame(4)), paper, 0.5);
	EXPECT_NEAR(paperMean(scene, scene.frame(10)), paper * 1.1, 0.5);
	EXPECT_NEAR(paperMean(scene, scene.frame(15)), paper * 1.2, 0.5);
	const cv::Scalar balanced = scene.meanAt(scene.frame(20), freePaper, 10);
	EXPECT_NEAR(balanced[0], paper * 1.2 * 0.8, 0.5);
	EXPECT_NEAR(balanced[2], paper * 1.2, 0.5);
	// Nothing is rendered again for it.
	EXPECT_EQ(scene.camera->renderedFrames(), 1u);
}

/// The camera file scaled as the program scales it to the frames it gets:
/// one ratio from the widths, square pixels. A 4:3 frame sees what 640 x 480
/// sees with more pixels; a 16:9 frame is the top of the 4:3 frame as wide.
TEST(HomeCamera, TheFrameSizeIsAsAskedWithTheCameraFileScaledAsTheProgramScalesIt)
{
	const std::string drawing = "ring black 200 190 28 4\nring lemon 320 280 28 4\nstroke black 4 160 222 376 325\nportal 500 240\n";
	const auto frameOfSize = [&](int width, int height) {
		SceneFrames scene(plainScene("camera size " + std::to_string(width) + " " + std::to_string(height), drawing));
		EXPECT_EQ(scene.camera->frameSize(), cv::Size(width, height));
		ARParam file, scaled;
		EXPECT_EQ(arParamLoad("Data/camera_para.dat", 1, &file), 0);
		arParamChangeSize(&file, width, height, &scaled);
		const ARParam& used = scene.camera->cameraParameters();
		EXPECT_EQ(std::vector<double>(used.dist_factor, used.dist_factor + 4),
			std::vector<double>(scaled.dist_factor, scaled.dist_factor + 4));
		EXPECT_EQ(std::vector<double>(&used.mat[0][0], &used.mat[0][0] + 12),
			std::vector<double>(&scaled.mat[0][0], &scaled.mat[0][0] + 12));
		const cv::Mat frame = scene.frame(1);
		EXPECT_EQ(frame.size(), cv::Size(width, height));
		return frame;
	};
	const cv::Mat reference = frameOfSize(640, 480), tall = frameOfSize(1280, 960);
	cv::Mat shrunk, difference;
	cv::resize(tall, shrunk, reference.size(), 0, 0, cv::INTER_AREA);
	cv::absdiff(shrunk, reference, difference);
	EXPECT_LT(cv::mean(difference)[1], 1.5);
	// The lens's blur reads the rows below the 16:9 frame's last ones.
	const cv::Rect top(0, 0, 1280, 720 - 4);
	EXPECT_EQ(cv::norm(frameOfSize(1280, 720)(top), tall(top), cv::NORM_INF), 0.0);
	frameOfSize(1920, 1080);
}

TEST(HomeCamera, EverySkinToneReadsAsItsSwatchInTheMiddleOfTheHand)
{
	std::vector<std::pair<std::string, cv::Scalar>> skins;
	for (int step = 1; step <= 10; ++step)
	{
		skins.emplace_back("hand skin " + std::to_string(step), skinToneScale[step - 1]);
	}
	skins.emplace_back("hand skin #3a312a shape child", cv::Scalar(42, 49, 58));
	// The old hand: one flat colour.
	skins.emplace_back("", cv::Scalar(90, 130, 200));
	for (const auto& [statement, swatch] : skins)
	{
		SceneFrames scene(plainScene(statement) + "at 1 hand 320 300\n");
		const cv::Scalar back = scene.meanAt(scene.frame(1), {320, 300}, 2);
		for (int c = 0; c < 3; ++c)
		{
			EXPECT_NEAR(back[c], swatch[c], 1.5) << statement;
		}
	}
}

TEST(HomeCamera, HandsOfEveryShapeComeInFromTheSideAsked)
{
	// A grid over the board and rows along its edges, the palm in the middle.
	std::vector<cv::Point2d> grid, bottom, left, top;
	for (double y = 5; y < 480; y += 10)
	{
		for (double x = 5; x < 640; x += 10)
		{
			grid.emplace_back(x, y);
		}
		left.emplace_back(2, y);
	}
	for (double x = 5; x < 640; x += 10)
	{
		bottom.emplace_back(x, 478);
		top.emplace_back(x, 2);
	}
	SceneFrames empty(plainScene(""));
	const cv::Mat board = empty.frame(1);
	// How many of the points the hand covers: where it changes the picture.
	const auto covered = [&](const std::string& look, const std::vector<cv::Point2d>& points) {
		SceneFrames scene(plainScene("hand skin 9 " + look) + "at 1 hand 320 240\n");
		const cv::Mat frame = scene.frame(1);
		return std::count_if(points.begin(), points.end(),
			[&](cv::Point2d p) { return cv::norm(scene.colourAt(frame, p) - empty.colourAt(board, p)) > 60.0; });
	};
	const long whole = covered("shape whole", grid);
	EXPECT_GT(whole, 300);
	EXPECT_LT(covered("shape child", grid), whole * 7 / 10);
	EXPECT_LT(covered("shape fingers", grid), whole * 35 / 100);
	EXPECT_GT(covered("shape fingers", grid), 50);
	// The arm crosses the edge it comes from, and no other.
	EXPECT_GT(covered("from bottom", bottom), 10);
	EXPECT_EQ(covered("from bottom", left) + covered("from bottom", top), 0);
	EXPECT_GT(covered("from left", left), 10);
	EXPECT_EQ(covered("from left", bottom) + covered("from left", top), 0);
	EXPECT_GT(covered("from top", top), 10);
	EXPECT_GT(covered("from 200", left), 10);
	EXPECT_EQ(covered("shape fingers", bottom), 0);
}

TEST(HomeCamera, AShadedHandIsDarkerAtItsEdgesWithLighterNailsAndCastsItsShadowAside)
{
	SceneFrames shaded(plainScene("hand skin 6 shadow 0.4") + "at 1 hand 320 200\n");
	SceneFrames flat(plainScene("hand skin 6") + "at 1 hand 320 200\n");
	const cv::Mat frame = shaded.frame(1);
	// Along the forearm, its axis and its right edge (78 board pixels off it).
	const cv::Point2d axis = cv::Point2d(320, 200) + cv::Point2d(90, 500) * (1.3 * 0.35);
	const cv::Point2d right = cv::Point2d(500, -90) * (1.0 / std::hypot(500.0, 90.0));
	const double middle = shaded.colourAt(frame, axis)[1];
	EXPECT_NEAR(middle, skinToneScale[5][1], 1.5);
	EXPECT_LT(shaded.colourAt(frame, axis + right * 74.0)[1], middle * 0.85);
	// Its shadow falls down and to the right: beside its right edge, not its left.
	const cv::Mat plain = flat.frame(1);
	const cv::Point2d beside = axis + right * 84.0, otherSide = axis - right * 84.0;
	EXPECT_LT(shaded.colourAt(frame, beside)[1], shaded.colourAt(plain, beside)[1] * 0.85);
	EXPECT_GT(shaded.colourAt(frame, beside)[1], shaded.colourAt(plain, beside)[1] * 0.55);
	EXPECT_NEAR(shaded.colourAt(frame, otherSide)[1], shaded.colourAt(plain, otherSide)[1], 2.0);
	// A nail, just short of the middle finger's tip, is lighter than the finger.
	const cv::Point2d tip = cv::Point2d(320, 200) + cv::Point2d(-16, -122) * 1.3;
	const cv::Point2d along = cv::Point2d(0.4 * 16 - 16, -122 + 25) * (1.0 / std::hypot(9.6, 97.0));
	EXPECT_GT(shaded.colourAt(frame, tip - along * 7.8)[1], shaded.colourAt(frame, tip - along * 30.0)[1] + 20.0);
}

TEST(HomeCamera, EveryPenReadsAsItsColourOnPaper)
{
	std::string drawing;
	double x = 170;
	for (const NamedInk& pen : namedInks())
	{
		drawing += "disc " + std::string(pen.name) + " " + std::to_string(x) + " 240 12\n";
		x += 34;
	}
	drawing += "disc #208040 170 320 12\n";
	SceneFrames scene(plainScene("", drawing));
	const cv::Mat frame = scene.frame(1);
	x = 170;
	for (const NamedInk& pen : namedInks())
	{
		const cv::Scalar read = scene.meanAt(frame, {x, 240}, 2);
		for (int c = 0; c < 3; ++c)
		{
			EXPECT_NEAR(read[c], pen.colour[c], 1.5) << pen.name;
		}
		x += 34;
	}
	EXPECT_NEAR(scene.meanAt(frame, {170, 320}, 2)[1], 0x80, 1.5);
}

/// Both orders take the same picture of a scene that either can take: the
/// linear one differs by rounding alone.
TEST(HomeCamera, TheLinearOrderTakesTheOldOrdersPictureOfTheSameScene)
{
	const std::string room = "view 520 35 20\nlight temperature 3000 exposure 0.8 gradient 0.2 30 vignetting 0.3\n"
							 "camera noise 0 blur 0.8\nhand skin 7\n";
	const std::string drawing = "map a\nring black 200 190 28 4\nring neon 320 280 28 4\nportal 500 240\nat 1 hand 300 330\n";
	SceneFrames old(room + drawing);
	// Fresh grain of no noise: linear light, with nothing to change a frame.
	SceneFrames linear(room + "camera grain fresh\n" + drawing);
	ASSERT_FALSE(old.camera->inLinearLight());
	ASSERT_TRUE(linear.camera->inLinearLight());
	cv::Mat difference;
	cv::absdiff(old.frame(1), linear.frame(1), difference);
	double largest;
	cv::minMaxLoc(difference.reshape(1), nullptr, &largest);
	EXPECT_LE(largest, 3.0);
	EXPECT_LT(cv::mean(difference)[1], 0.2);
}

}  // namespace

namespace
{

TEST(HomeCamera, TheShippedHomeScenesPlayAtTheirSizes)
{
	const std::pair<const char*, cv::Size> scenes[] = {{"home", {1280, 720}}, {"evening", {640, 480}},
		{"webcam-hd", {1920, 1080}}, {"honest-projector", {640, 480}}};
	for (const auto& [name, size] : scenes)
	{
		const std::string file = "Data/scenes/" + std::string(name) + ".scene";
		std::string error;
		const auto camera = ScriptedBoardCamera::fromFiles(
			file, "Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", error);
		ASSERT_TRUE(camera) << error;
		EXPECT_TRUE(camera->inLinearLight()) << name;
		cv::Mat frame;
		ASSERT_TRUE(camera->read(frame));
		EXPECT_EQ(frame.size(), size) << name;
	}
}

}  // namespace
