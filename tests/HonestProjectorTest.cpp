#include "SceneFrames.h"

#include "platform/HeadlessDisplay.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

// The simulated projector's light as the camera sees it. By default it is
// added to the finished frame, sharp and without grain, so that lit minus dark
// is exact; honestly it reaches the paper and then the camera like all light,
// blurred, grainy and compressed. Its latency may be a pass longer now and then.

namespace
{

const cv::Size projectorSize(1280, 800);

/// A projector straight above the board, its picture covering it, and the
/// display whose "projector" window it shows. The room's light puts the paper
/// at 100, so that the projector's 100 more clip nothing.
struct LitTable
{
	explicit LitTable(const std::string& projectorWords, const std::string& camera = "camera noise 3 blur 1.2")
		: scene(plainScene("light exposure 0.5\n" + camera
			+ "\nprojector 700 0 0 size 1280 800 focal 2000 room 0.8 brightness 100 " + projectorWords))
	{
		scene.camera->projector()->watch(display);
	}

	/// The frame read while the projector shows `picture`.
	cv::Mat readShowing(const cv::Mat& picture)
	{
		display.show("projector", picture);
		cv::Mat frame;
		scene.camera->read(frame);
		return frame;
	}

	/// Lit minus dark, green, float: a frame with the left half of the
	/// projector's picture white against one with it black.
	cv::Mat light()
	{
		const cv::Mat dark = readShowing(cv::Mat::zeros(projectorSize, CV_8UC3));
		cv::Mat halfWhite = cv::Mat::zeros(projectorSize, CV_8UC3);
		halfWhite.colRange(0, projectorSize.width / 2).setTo(cv::Scalar::all(255));
		const cv::Mat lit = readShowing(halfWhite);
		cv::Mat difference;
		cv::subtract(lit, dark, difference, cv::noArray(), CV_32F);
		cv::extractChannel(difference, difference, 1);
		return difference;
	}

	HeadlessDisplay display;
	SceneFrames scene;
};

/// The light along the frame's middle rows, averaged over them, from left to right.
std::vector<double> profile(const cv::Mat& light)
{
	cv::Mat rows = light.rowRange(light.rows / 2 - 20, light.rows / 2 + 20), mean;
	cv::reduce(rows, mean, 0, cv::REDUCE_AVG, CV_64F);
	return std::vector<double>(mean.begin<double>(), mean.end<double>());
}

/// Camera pixels over which the light falls from 90 % to 10 % of its level,
/// each found between pixels.
double edgeWidth(const std::vector<double>& light)
{
	const double full = light[light.size() / 4];
	const auto crossing = [&](double share) {
		for (size_t x = light.size() / 4; x + 1 < light.size() * 3 / 4; ++x)
		{
			if (light[x + 1] < share * full)
			{
				return double(x) + (light[x] - share * full) / (light[x] - light[x + 1]);
			}
		}
		return -1.0;
	};
	return crossing(0.1) - crossing(0.9);
}

TEST(HonestProjector, HonestLightIsBlurredByTheLensAndGrainyLikeAllLight)
{
	LitTable added("");
	LitTable honest("honest");
	ASSERT_FALSE(added.scene.camera->inLinearLight());
	ASSERT_TRUE(honest.scene.camera->inLinearLight());
	const cv::Mat exact = added.light(), measured = honest.light();
	// Where the projector is dark, the room gives its share of the light: 0.8
	// of the paper's 127.5.
	const cv::Mat dark = honest.readShowing(cv::Mat::zeros(projectorSize, CV_8UC3));
	EXPECT_NEAR(honest.scene.meanAt(dark, {320, 300}, 10)[1], 0.8 * 127.5, 1.0);

	// White light on white paper adds the projector's brightness either way.
	const std::vector<double> sharp = profile(exact), blurred = profile(measured);
	EXPECT_NEAR(sharp[sharp.size() / 4], 100.0, 2.0);
	EXPECT_NEAR(blurred[blurred.size() / 4], 100.0, 2.0);
	// Its edge is as sharp as the picture's, or as blurred as the lens blurs:
	// 2.56 sigmas from 90 % to 10 %, sigma 1.2 (a little less, the kernel
	// being cut at two sigmas).
	EXPECT_LT(edgeWidth(sharp), 1.5);
	EXPECT_NEAR(edgeWidth(blurred), 2.56 * 1.2, 0.6);

	// Where no light falls, lit minus dark is exactly nothing, or the
	// difference of two grains of sigma 3.
	const cv::Rect unlit(exact.cols * 3 / 4, exact.rows / 3, exact.cols / 8, exact.rows / 3);
	EXPECT_EQ(cv::norm(exact(unlit), cv::NORM_INF), 0.0);
	cv::Scalar mean, deviation;
	cv::meanStdDev(measured(unlit), mean, deviation);
	EXPECT_NEAR(deviation[0], std::sqrt(2.0) * 3.0, 0.4);
	EXPECT_NEAR(mean[0], 0.0, 0.3);
}

TEST(HonestProjector, HonestLightIsCompressedWithTheFrame)
{
	LitTable honest("honest", "camera noise 0 jpeg 40");
	const std::vector<double> light = profile(honest.light());
	// A hard compression rings round the edge and leaves no level exact.
	double furthest = 0.0;
	for (size_t x = light.size() / 4; x < light.size() * 3 / 4; ++x)
	{
		furthest = std::max(furthest, std::abs(light[x] - (light[x] > 50.0 ? 100.0 : 0.0)));
	}
	EXPECT_GT(furthest, 3.0);
	EXPECT_NEAR(light[light.size() / 4], 100.0, 3.0);
}

/// For each read, how many reads late (up to 4) the picture the camera saw
/// was shown, -1 for none: each read shows a grey level of its own, of five.
std::vector<int> delays(const std::string& projectorWords, int reads)
{
	LitTable table(projectorWords, "camera noise 0");
	std::vector<int> late;
	const cv::Point2d middle = table.scene.pixelOf({320, 300});
	const cv::Rect paper(int(middle.x) - 10, int(middle.y) - 10, 20, 20);
	const auto greyOf = [](int read) { return 50 + 40 * (read % 5); };
	for (int read = 1; read <= reads; ++read)
	{
		table.readShowing(cv::Mat(projectorSize, CV_8UC3, cv::Scalar::all(greyOf(read))));
		const cv::Mat& light = table.scene.camera->projector()->lastLightImage();
		if (light.empty())
		{
			late.push_back(-1);
			continue;
		}
		// Light = grey / 255 * brightness on white paper.
		const double grey = cv::mean(light(paper))[1] * 255.0 / 100.0;
		const int shown = int(std::lround((grey - 50.0) / 40.0));
		late.push_back(((read - shown) % 5 + 5) % 5);
	}
	return late;
}

TEST(HonestProjector, JitterMakesTheLatencyAPassLongerInItsShareOfFrames)
{
	const std::vector<int> steady = delays("latency 2", 40);
	EXPECT_EQ(std::count(steady.begin() + 2, steady.end(), 2), 38);
	EXPECT_EQ(std::count(steady.begin(), steady.begin() + 2, -1), 2);

	for (const char* mode : {"latency 2 jitter 0.3", "latency 2 jitter 0.3 honest"})
	{
		const std::vector<int> jittery = delays(mode, 123);
		const long late = std::count(jittery.begin() + 3, jittery.end(), 3);
		EXPECT_EQ(late + std::count(jittery.begin() + 3, jittery.end(), 2), 120) << mode;
		EXPECT_GT(late, 20) << mode;
		EXPECT_LT(late, 52) << mode;
		// Drawn by frame: the same every time the scene plays.
		const std::vector<int> again = delays(mode, 30);
		EXPECT_TRUE(std::equal(again.begin(), again.end(), jittery.begin())) << mode;
	}
}

}  // namespace
