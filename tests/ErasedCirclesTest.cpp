#include "TestSupport.h"

#include "render/CameraViewOverlay.h"
#include "scenes/ScriptedBoardCamera.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

/// The median of a picture's pixels, channel by channel, on a circle round
/// a board point: the paper round an erased circle, clear of its square.
cv::Vec3d paperRound(const cv::Mat& picture, const cv::Mat& boardToCamera, cv::Point2d centre, double radius)
{
	std::vector<int> channels[3];
	for (int i = 0; i < 48; ++i)
	{
		const double angle = 2.0 * CV_PI * i / 48.0;
		const cv::Point p = boardPointToCamera(boardToCamera, float(centre.x + radius * std::cos(angle)),
			float(centre.y + radius * std::sin(angle)));
		if (cv::Rect(0, 0, picture.cols, picture.rows).contains(p))
		{
			for (int c = 0; c < 3; ++c)
			{
				channels[c].push_back(picture.at<cv::Vec3b>(p)[c]);
			}
		}
	}
	cv::Vec3d median;
	for (int c = 0; c < 3; ++c)
	{
		std::nth_element(channels[c].begin(), channels[c].begin() + long(channels[c].size() / 2), channels[c].end());
		median[c] = channels[c][channels[c].size() / 2];
	}
	return median;
}

/// "normal" as the demo plays: the squares that erase its balls' rings and
/// its touched sensors' rings (a ramp runs across each sensor ring) look like
/// the paper round them, pass after pass, while the light of the pass, a
/// hand coming back over the drawing and the map being redrawn change what
/// lies there.
TEST(ErasedCircles, TheDemosSquaresLookLikeThePaperRoundThem)
{
	std::string error;
	auto camera = ScriptedBoardCamera::fromFiles("Data/scenes/demo.scene", "Data/camera_para.dat",
		"Data/markers/marker.dat", "Data/markers/portal.dat", error);
	ASSERT_TRUE(camera) << error;
	TestProgram program(std::move(camera));
	const Application& app = *program.app;
	std::vector<double> misses;
	int sensorSquares = 0;
	const cv::Vec3b bodyColour(255, 128, 128);
	for (int pass = 1; pass <= 330; ++pass)
	{
		::testing::internal::CaptureStdout();
		program.app->runPass();
		::testing::internal::GetCapturedStdout();
		if (!app.board().mapped)
		{
			continue;
		}
		std::vector<ShapeRecord> erased = app.analysis().ballRecords();
		for (const ShapeRecord& sensor : app.analysis().sensorCircleRecords())
		{
			if (app.scene().isRegistered(sensor.body) && bodyInfoOf(sensor.body)->touched)
			{
				erased.push_back(sensor);
				sensorSquares += 1;
			}
		}
		const cv::Mat boardToCamera(app.board().boardToCamera);
		for (const ShapeRecord& record : erased)
		{
			const cv::Point2d centre = descriptorCentroid(record.descriptor);
			const double radius = descriptorMeanRadius(record.descriptor);
			// Inside the square, off the centre where the ball may be painted.
			const cv::Point in = boardPointToCamera(boardToCamera, float(centre.x + 1.5 * radius),
				float(centre.y + 1.5 * radius));
			const cv::Vec3b square = app.views().camera.at<cv::Vec3b>(in);
			if (square == bodyColour)
			{
				continue;
			}
			const cv::Vec3d paper = paperRound(app.scanner().cameraFrame(), boardToCamera, centre, 2.9 * radius + 6.0);
			double miss = 0.0;
			for (int c = 0; c < 3; ++c)
			{
				miss = std::max(miss, std::abs(square[c] - paper[c]));
			}
			misses.push_back(miss);
		}
	}
	ASSERT_GT(sensorSquares, 100) << "the demo's balls touch its sensors";
	ASSERT_GT(misses.size(), 500u);
	std::sort(misses.begin(), misses.end());
	EXPECT_LE(misses[misses.size() / 2], 3.0);
	const auto visible = std::count_if(misses.begin(), misses.end(), [](double miss) { return miss > 20.0; });
	// Only where the hand lies over a square's edge and the paper round it.
	EXPECT_LT(double(visible) / double(misses.size()), 0.05) << visible << " of " << misses.size();
}

}  // namespace
