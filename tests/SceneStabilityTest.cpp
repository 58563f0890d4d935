#include "tracking/BoardScanner.h"
#include "platform/StillFrameSource.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

cv::Mat frameOf(int rows, int cols, const cv::Scalar& colour)
{
	return cv::Mat(rows, cols, CV_8UC3, colour);
}

/// A webcam's picture of the board: a brown table, the paper filling the
/// middle (`paper` grey levels), six black markers and a few ink strokes,
/// all scaled to the frame.
cv::Mat boardPicture(cv::Size size, double paper = 230.0)
{
	cv::Mat frame(size, CV_8UC3, cv::Scalar(60, 75, 90));
	const double s = std::min(size.width / 640.0, size.height / 480.0);
	const cv::Rect sheet(int((size.width - 480 * s) / 2), int(60 * s), int(480 * s), int(360 * s));
	frame(sheet).setTo(cv::Scalar::all(paper));
	for (int i = 0; i < 6; ++i)
	{
		const cv::Point corner(sheet.x + int((10 + (i % 3) * 205) * s), sheet.y + int((10 + (i / 3) * 300) * s));
		cv::rectangle(frame, cv::Rect(corner, cv::Size(int(40 * s), int(40 * s))), cv::Scalar::all(25), cv::FILLED);
	}
	cv::line(frame, cv::Point(int(200 * s), int(150 * s)), cv::Point(int(420 * s), int(300 * s)), cv::Scalar::all(35),
		std::max(1, int(4 * s)));
	cv::circle(frame, cv::Point(int(260 * s), int(260 * s)), int(28 * s), cv::Scalar::all(35), std::max(1, int(4 * s)));
	return frame;
}

/// What the camera's sensor and its compression add: fresh noise in every
/// frame, then JPEG.
cv::Mat photographed(const cv::Mat& scene, double noise, int seed, int jpeg = 0)
{
	cv::Mat grain(scene.size(), CV_16SC3);
	cv::RNG(uint64_t(seed)).fill(grain, cv::RNG::NORMAL, 0.0, noise);
	cv::Mat frame;
	scene.convertTo(frame, CV_16SC3);
	frame += grain;
	frame.convertTo(frame, CV_8UC3);
	if (jpeg > 0)
	{
		std::vector<uchar> bytes;
		cv::imencode(".jpg", frame, bytes, {cv::IMWRITE_JPEG_QUALITY, jpeg});
		frame = cv::imdecode(bytes, cv::IMREAD_COLOR);
	}
	return frame;
}

/// The light of the scene times a gain per channel (B, G, R), and rolling
/// bands: a brightness that rises and falls along the rows.
cv::Mat relit(const cv::Mat& scene, cv::Vec3d gain, double bands = 0.0, double bandRows = 0.0, double phase = 0.0)
{
	cv::Mat lit(scene.size(), CV_8UC3);
	for (int y = 0; y < scene.rows; ++y)
	{
		const double band = bandRows > 0.0 ? 1.0 + bands * std::sin(2.0 * CV_PI * y / bandRows + phase) : 1.0;
		for (int x = 0; x < scene.cols; ++x)
		{
			const cv::Vec3b& in = scene.at<cv::Vec3b>(y, x);
			lit.at<cv::Vec3b>(y, x) = cv::Vec3b(cv::saturate_cast<uchar>(in[0] * gain[0] * band),
				cv::saturate_cast<uchar>(in[1] * gain[1] * band), cv::saturate_cast<uchar>(in[2] * gain[2] * band));
		}
	}
	return lit;
}

/// A hand coming in over the board's bottom edge: an ellipse of skin of the
/// given sRGB tone, as the paper's light shows it, covering `share` of the
/// picture, with the soft shadow round it a hand casts.
cv::Mat withHand(const cv::Mat& scene, cv::Vec3b srgb, double share, double paper = 230.0)
{
	cv::Mat frame = scene.clone();
	const double area = share * frame.total();
	const cv::Size axes(int(std::sqrt(area / CV_PI / 0.5)), int(std::sqrt(area / CV_PI * 0.5)));
	const cv::Point centre(frame.cols / 2, frame.rows * 3 / 4);
	cv::ellipse(frame, centre + cv::Point(axes.width / 8, axes.height / 6), axes, 0, 0, 360,
		cv::Scalar::all(paper * 0.75), cv::FILLED);
	const double light = paper / 255.0;
	cv::ellipse(frame, centre, axes, 0, 0, 360, cv::Scalar(srgb[2] * light, srgb[1] * light, srgb[0] * light),
		cv::FILLED);
	return frame;
}

/// The ten steps of a skin tone scale, from the lightest to the darkest (sRGB).
const cv::Vec3b skinTones[] = {{0xf6, 0xed, 0xe4}, {0xf3, 0xe7, 0xdb}, {0xf7, 0xea, 0xd0}, {0xea, 0xda, 0xba},
	{0xd7, 0xbd, 0x96}, {0xa0, 0x7e, 0x56}, {0x82, 0x5c, 0x43}, {0x60, 0x41, 0x34}, {0x3a, 0x31, 0x2a},
	{0x29, 0x24, 0x20}};

TEST(FrameDiffers, EmptyImagesCountAsMotion)
{
	const cv::Mat frame = frameOf(480, 640, cv::Scalar(50, 50, 50));
	EXPECT_TRUE(frameDiffers(cv::Mat(), frame));
	EXPECT_TRUE(frameDiffers(frame, cv::Mat()));
	EXPECT_TRUE(frameDiffers(cv::Mat(), cv::Mat()));
	EXPECT_TRUE(frameDiffers(cv::Mat(0, 640, CV_8UC3), frame));
}

TEST(FrameDiffers, AnotherSizeOrTypeIsMotionNotAFailure)
{
	const cv::Mat reference = frameOf(480, 640, cv::Scalar(100, 100, 100));
	EXPECT_TRUE(frameDiffers(frameOf(240, 320, cv::Scalar(100, 100, 100)), reference));
	EXPECT_TRUE(frameDiffers(cv::Mat(480, 640, CV_8UC1, cv::Scalar(100)), reference));
	EXPECT_TRUE(frameDiffers(cv::Mat(480, 640, CV_8UC4, cv::Scalar::all(100)), reference));
}

/// A hundredth of the picture changed is motion, less is not, and what is
/// left out changes nothing.
TEST(FrameDiffers, AHundredthOfThePictureChangedIsMotion)
{
	const cv::Mat reference = boardPicture(cv::Size(640, 480));
	EXPECT_FALSE(frameDiffers(reference.clone(), reference));
	const auto patched = [&](int cells) {
		// Whole cells of 10 x 10 pixels, in a row across the paper.
		cv::Mat frame = reference.clone();
		frame(cv::Rect(100, 200, 10 * cells, 10)).setTo(cv::Scalar::all(120));
		return frame;
	};
	const int atLeast = int(std::ceil(motionShare * CellPicture::columns * 48));
	EXPECT_FALSE(frameDiffers(patched(atLeast - 1), reference));
	EXPECT_TRUE(frameDiffers(patched(atLeast), reference));
	cv::Mat ignored = cv::Mat::zeros(reference.size(), CV_8UC1);
	ignored(cv::Rect(100, 200, 10 * atLeast, 10)).setTo(255);
	EXPECT_FALSE(frameDiffers(patched(atLeast), reference, ignored));
}

/// What a webcam in a home does to a still board, frame after frame, is not
/// motion at any frame size; a hand of any skin tone coming in over it is.
class StillBoard : public ::testing::TestWithParam<cv::Size>
{
};

TEST_P(StillBoard, LightAndSensorAreNotMotionAHandIs)
{
	const cv::Size size = GetParam();
	const cv::Mat scene = boardPicture(size);
	const cv::Mat reference = photographed(scene, 3.0, 1, 75);
	struct Case
	{
		const char* what;
		cv::Mat frame;
	};
	const Case still[] = {
		{"fresh sensor noise, sigma 3, JPEG 75", photographed(scene, 3.0, 2, 75)},
		{"strong sensor noise, sigma 6", photographed(scene, 6.0, 3)},
		{"a lamp flickering 10 % darker", photographed(relit(scene, {0.9, 0.9, 0.9}), 3.0, 4, 75)},
		{"a lamp flickering 10 % brighter", photographed(relit(scene, {1.1, 1.1, 1.1}), 3.0, 5, 75)},
		{"the exposure settling 25 % up", photographed(relit(scene, {1.25, 1.25, 1.25}), 3.0, 6, 75)},
		{"the white balance drifting warmer", photographed(relit(scene, {0.92, 1.0, 1.07}), 3.0, 7, 75)},
		{"bands of +-10 % rolling through", photographed(relit(scene, {1, 1, 1}, 0.1, size.height / 3.0, 1.0), 3.0, 8, 75)},
		{"bands rolled on", photographed(relit(scene, {1, 1, 1}, 0.1, size.height / 3.0, 2.5), 3.0, 9, 75)},
		{"a stroke of ink drawn", [&] {
			 cv::Mat drawn = scene.clone();
			 const double s = std::min(size.width / 640.0, size.height / 480.0);
			 cv::line(drawn, cv::Point(int(300 * s), int(120 * s)), cv::Point(int(380 * s), int(200 * s)),
				 cv::Scalar::all(35), std::max(1, int(4 * s)));
			 return photographed(drawn, 3.0, 10, 75);
		 }()},
	};
	for (const Case& c : still)
	{
		const MotionReading reading = compareCellPictures(CellPicture(c.frame), CellPicture(reference));
		EXPECT_FALSE(reading.moved) << c.what << ": " << reading.changedShare * 100.0 << " % of the cells changed";
	}

	// A hand coming in over the bottom edge, covering 3 % of the picture (the
	// board filling a quarter of it), in a bright and in a dim room, is seen
	// whatever its skin.
	for (const double paper : {230.0, 120.0})
	{
		const cv::Mat lit = boardPicture(size, paper);
		const cv::Mat before = photographed(lit, 3.0, 11, 75);
		for (const cv::Vec3b& skin : skinTones)
		{
			const cv::Mat frame = photographed(withHand(lit, skin, 0.03, paper), 3.0, 12, 75);
			EXPECT_TRUE(frameDiffers(frame, before)) << "skin " << skin << " over paper at " << paper;
			// And under a flickering lamp as well.
			EXPECT_TRUE(frameDiffers(relit(frame, {0.92, 0.92, 0.92}), before)) << "skin " << skin << ", flicker";
		}
	}
}

INSTANTIATE_TEST_SUITE_P(FrameSizes, StillBoard,
	::testing::Values(cv::Size(640, 480), cv::Size(1280, 720), cv::Size(1920, 1080)),
	[](const auto& info) { return std::to_string(info.param.width) + "x" + std::to_string(info.param.height); });

/// A bright room that clips the paper: the clipped channels say only "at
/// least", so a flicker that dims the rest is no motion either. A lamp of
/// one colour beside the board clips its own channel alone (a warm one red)
/// on the paper near it, and each channel is known clipped by itself.
TEST(FrameDiffers, ClippedPaperUnderAFlickeringLampIsStill)
{
	const std::pair<const char*, cv::Vec3d> lamps[] = {{"a bright lamp clipping every channel", {1.2, 1.2, 1.2}},
		{"a warm lamp clipping red alone", {0.8, 0.95, 1.3}}, {"a green one clipping green alone", {0.85, 1.3, 0.85}},
		{"a cool one clipping blue alone", {1.3, 0.95, 0.8}}};
	const cv::Mat board = boardPicture(cv::Size(640, 480));
	// The picture dimmed after the sensor clipped it (the camera's own gain).
	const cv::Mat clipped = relit(board, {1.2, 1.2, 1.2});
	EXPECT_FALSE(frameDiffers(photographed(relit(clipped, {0.93, 0.93, 0.93}), 2.0, 1), photographed(clipped, 2.0, 2)));
	EXPECT_FALSE(frameDiffers(photographed(clipped, 2.0, 3), photographed(relit(clipped, {0.93, 0.93, 0.93}), 2.0, 4)));
	for (const auto& [what, lamp] : lamps)
	{
		// The lamp stands to the left: its light falls off by a quarter across
		// the picture, and the sensor clips what it brings above its top.
		const auto litBy = [&, lamp = lamp](double flicker) {
			cv::Mat scene(board.size(), board.type());
			for (int x = 0; x < scene.cols; ++x)
			{
				relit(board.col(x), lamp * flicker * (1.0 - 0.25 * x / scene.cols)).copyTo(scene.col(x));
			}
			return scene;
		};
		const cv::Mat steady = litBy(1.0), dimmed = litBy(0.93);
		for (const auto& [now, then] : {std::make_pair(photographed(dimmed, 2.0, 1), photographed(steady, 2.0, 2)),
				 std::make_pair(photographed(steady, 2.0, 3), photographed(dimmed, 2.0, 4))})
		{
			const MotionReading reading = compareCellPictures(CellPicture(now), CellPicture(then));
			EXPECT_FALSE(reading.moved) << what << ", flickering by 7 %: " << reading.changedShare * 100.0
										<< " % of the cells changed";
		}
	}
}

/// A cell has changed when it misses what the light predicts by more than
/// 4 grey levels and 4 % of its level together: a soft shade 5 % darker over
/// part of the paper (a curtain's, a cloud's) is no motion, and a change of
/// 8 % there is.
TEST(FrameDiffers, AShadeFivePercentDarkerIsStillEightPercentIsMotion)
{
	const cv::Mat scene = boardPicture(cv::Size(640, 480));
	const cv::Mat reference = photographed(scene, 2.0, 1);
	// A sixteenth of the picture, on the paper's lower right.
	const cv::Rect shade(300, 300, 240, 80);
	ASSERT_NEAR(double(shade.area()) / double(scene.total()), 0.06, 0.005);
	cv::Mat softShade = cv::Mat::zeros(scene.size(), CV_32F);
	softShade(shade).setTo(1.0);
	cv::GaussianBlur(softShade, softShade, cv::Size(), 6.0);
	const auto shaded = [&](double darker) {
		cv::Mat light, frame;
		cv::merge(std::vector<cv::Mat>(3, 1.0 - darker * softShade), light);
		scene.convertTo(frame, CV_32FC3);
		cv::Mat(frame.mul(light)).convertTo(frame, CV_8UC3);
		return compareCellPictures(CellPicture(photographed(frame, 2.0, 2)), CellPicture(reference));
	};
	const MotionReading fivePercent = shaded(0.05), eightPercent = shaded(0.08);
	EXPECT_FALSE(fivePercent.moved) << "5 % darker: " << fivePercent.changedShare * 100.0 << " % of the cells changed";
	EXPECT_TRUE(eightPercent.moved) << "8 % darker: " << eightPercent.changedShare * 100.0 << " % of the cells changed";
	EXPECT_GT(eightPercent.changedShare, 0.05);
}

TEST(FrameDiffers, ACameraMovedByAFewPixelsIsMotion)
{
	const cv::Mat scene = boardPicture(cv::Size(640, 480));
	cv::Mat moved;
	cv::warpAffine(scene, moved, cv::Matx23d(1, 0, 3, 0, 1, 2), scene.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
	EXPECT_TRUE(frameDiffers(photographed(moved, 3.0, 1), photographed(scene, 3.0, 2)));
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
		auto owned = std::make_unique<ScriptedCamera>(boardPicture(cv::Size(640, 480)));
		camera = owned.get();
		scanner = std::make_unique<BoardScanner>(std::move(owned));
	}

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

/// A change that creeps in builds up against the reference of the still
/// period until it counts, and then becomes the reference; the light
/// changing meanwhile changes nothing of that.
TEST_F(SceneMovedTest, ASlowChangeBuildsUpAgainstTheFixedReferenceTheLightDoesNot)
{
	ASSERT_TRUE(scanner->sceneMoved());
	const uchar* reference = scanner->referenceFrame().data;
	const cv::Mat scene = camera->picture.clone();
	for (const double gain : {0.97, 0.94, 0.91, 0.95, 1.0, 1.05})
	{
		camera->picture = relit(scene, {gain, gain, gain});
		EXPECT_FALSE(scanner->sceneMoved()) << gain;
		EXPECT_NEAR(scanner->lastMotionReading().gain[0], gain, 0.01);
	}
	EXPECT_EQ(scanner->referenceFrame().data, reference);
	// A shadow creeping over the paper, a few cells a frame.
	int cells = 0;
	while (!scanner->sceneMoved())
	{
		cells += 4;
		ASSERT_LT(cells, 200);
		camera->picture = scene.clone();
		camera->picture(cv::Rect(100, 200, 10 * cells, 10)).setTo(cv::Scalar::all(120));
	}
	EXPECT_GE(cells, 30);
	EXPECT_EQ(cv::norm(scanner->referenceFrame(), camera->picture, cv::NORM_INF), 0.0);
	EXPECT_EQ(cv::norm(scanner->motionFrame(), camera->picture, cv::NORM_INF), 0.0);
	EXPECT_FALSE(scanner->sceneMoved());
}

TEST_F(SceneMovedTest, ARenewedReferenceIsTheLatestFrame)
{
	ASSERT_TRUE(scanner->sceneMoved());
	camera->picture = relit(camera->picture, {0.9, 0.9, 0.9});
	ASSERT_FALSE(scanner->sceneMoved());
	scanner->renewReference();
	EXPECT_EQ(cv::norm(scanner->referenceFrame(), camera->picture, cv::NORM_INF), 0.0);
	EXPECT_NE(scanner->referenceFrame().data, scanner->cameraFrame().data);
	// The motion frame is still the frame of the last motion.
	EXPECT_NE(cv::norm(scanner->motionFrame(), camera->picture, cv::NORM_INF), 0.0);
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
	camera->picture = boardPicture(cv::Size(320, 240));
	EXPECT_TRUE(scanner->sceneMoved());
	EXPECT_EQ(scanner->referenceFrame().size(), cv::Size(320, 240));
	EXPECT_FALSE(scanner->sceneMoved());
}

}  // namespace
