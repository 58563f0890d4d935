#include "BoardPhotos.h"
#include "ScratchFiles.h"
#include "TestSupport.h"
#include "markers/ARParam.h"
#include "calibration/CharucoCalibration.h"
#include "calibration/LensModelFit.h"

#include <gtest/gtest.h>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>

namespace
{

TEST(Calibration, PhotosOfTheBoardGiveTheCameraTheyWereTakenWith)
{
	const std::string directory = scratchFolder();
	const std::string parameterFile = directory + "drawtable_calibrated.dat";
	std::remove(parameterFile.c_str());
	std::string output;
	ASSERT_EQ(runCalibrate("-o " + parameterFile + writeBoardPhotos(directory), output), 0) << output;

	ARParam param;
	ASSERT_EQ(arParamLoad(parameterFile.c_str(), 1, &param), 0);
	// The report says what was measured: every photo used, the camera the
	// file holds, a fit that misses by a fraction of a pixel (the corners of
	// sharp pinhole photographs) and a lens the tracker's model follows.
	EXPECT_NE(output.find("12 views of 640 x 480:"), std::string::npos) << output;
	EXPECT_NEAR(numberAfter(output, " fx "), param.mat[0][0], 0.006);
	EXPECT_NEAR(numberAfter(output, " fy "), param.mat[1][1], 0.006);
	EXPECT_NEAR(numberAfter(output, " cx "), param.mat[0][2], 0.006);
	EXPECT_NEAR(numberAfter(output, " cy "), param.mat[1][2], 0.006);
	const double reprojection = numberAfter(output, "reprojection error ");
	EXPECT_GT(reprojection, 0.0);
	EXPECT_LT(reprojection, 0.5);
	EXPECT_LT(numberAfter(output, "within "), 1.5) << output;
	EXPECT_EQ(param.xsize, 640);
	EXPECT_EQ(param.ysize, 480);
	const char* names[] = {"fx", "fy", "cx", "cy"};
	const double truth[] = {trueCamera(0, 0), trueCamera(1, 1), trueCamera(0, 2), trueCamera(1, 2)};
	const double found[] = {param.mat[0][0], param.mat[1][1], param.mat[0][2], param.mat[1][2]};
	for (int i = 0; i < 4; ++i)
	{
		const double errorPercent = 100.0 * std::abs(found[i] - truth[i]) / truth[i];
		std::printf("%s: true %.2f, recovered %.3f, error %.3f %%\n", names[i], truth[i], found[i], errorPercent);
		EXPECT_LT(errorPercent, 2.0) << names[i];
	}
	// A pinhole camera: the fitted lens bends nothing visible.
	double x = 0.0;
	double y = 0.0;
	arParamIdeal2Observ(param.dist_factor, 0.0, 0.0, &x, &y);
	EXPECT_LT(std::hypot(x, y), 1.5);
	EXPECT_EQ(param.dist_factor[3], 1.0);
	EXPECT_EQ(param.mat[2][2], 1.0);
	EXPECT_EQ(param.mat[0][3], 0.0);
}

TEST(Calibration, PhotosInADimUnevenLightAreReadWithTheirPaperAsWhite)
{
	// A dark room, a lamp at the left: the paper reads 30 grey levels at the
	// left and 6 at the right. The corner search alone misses corners there.
	PhotoSet gloom;
	gloom.light = PhotoLight{0.12, 0.8};
	const std::string directory = scratchFolder();
	const std::string photos = writeBoardPhotos(directory, gloom);
	int missedAlone = 0;
	for (int i = 0; i < 12; ++i)
	{
		const cv::Mat photo = cv::imread(directory + "drawtable_charuco_" + std::to_string(i) + ".png", cv::IMREAD_GRAYSCALE);
		missedAlone += CharucoLayout().cornerCount() - int(findCharucoCorners(CharucoLayout(), photo).ids.size());
	}
	EXPECT_GT(missedAlone, 12);

	std::string output;
	const std::string parameterFile = directory + "drawtable_gloom.dat";
	ASSERT_EQ(runCalibrate("-o " + parameterFile + photos, output), 0) << output;
	size_t whole = 0;
	for (size_t at = output.find(": 24 of 24 corners"); at != std::string::npos; at = output.find(": 24 of 24 corners", at + 1))
	{
		++whole;
	}
	EXPECT_EQ(whole, 12u) << output;
	ARParam param;
	ASSERT_EQ(arParamLoad(parameterFile.c_str(), 1, &param), 0);
	EXPECT_NEAR(param.mat[0][0], trueCamera(0, 0), 0.02 * trueCamera(0, 0));
}

TEST(Calibration, ToolRefusesWhatItCannotUseAndSaysWhy)
{
	const std::string directory = scratchFolder();
	std::string output;
	EXPECT_EQ(runCalibrate(directory + "drawtable_no_photo.png", output), 1);
	EXPECT_NE(output.find("drawtable_no_photo.png: cannot read"), std::string::npos) << output;

	const std::string blank = directory + "drawtable_blank_photo.png";
	ASSERT_TRUE(cv::imwrite(blank, cv::Mat(photoSize, CV_8UC1, cv::Scalar(200))));
	EXPECT_EQ(runCalibrate("-o " + directory + "drawtable_never.dat " + blank + " " + blank, output), 1);
	EXPECT_NE(output.find("found in 0 views"), std::string::npos) << output;

	const std::string small = directory + "drawtable_small_photo.png";
	ASSERT_TRUE(cv::imwrite(small, cv::Mat(240, 320, CV_8UC1, cv::Scalar(200))));
	EXPECT_EQ(runCalibrate(blank + " " + small, output), 1);
	EXPECT_NE(output.find("drawtable_small_photo.png: the image is 320 x 240"), std::string::npos) << output;

	EXPECT_EQ(runCalibrate("", output), 2);
	EXPECT_EQ(runCalibrate("--device x", output), 2);
	EXPECT_EQ(runCalibrate("print " + directory + "no/such/dir/board.png", output), 1);
	EXPECT_NE(output.find("no/such/dir/board.png: cannot write"), std::string::npos) << output;
}

TEST(Calibration, PrintedBoardIsFoundWhole)
{
	// The sheet as printed, seen straight on at a small scale: every corner shows.
	const cv::Mat sheet = renderCharucoSheet(CharucoLayout(), cv::Size2d(297.0, 210.0), 2.0);
	EXPECT_EQ(sheet.size(), cv::Size(594, 420));
	EXPECT_EQ(findCharucoCorners(CharucoLayout(), sheet).ids.size(), size_t(CharucoLayout().cornerCount()));
}

TEST(LensModelFit, OneRadialTermIsTheTrackersModelExactly)
{
	// OpenCV: r -> r (1 + k1 r^2 / fx^2); the tracker: r -> r (1 - f / 1e8 r^2).
	const cv::Matx33d K(600.0, 0.0, 320.0, 0.0, 600.0, 240.0, 0.0, 0.0, 1.0);
	const std::vector<double> barrel = {-0.1, 0.0, 0.0, 0.0};
	const ARParam param = cameraParamFromCalibration(K, barrel, photoSize);
	EXPECT_NEAR(param.dist_factor[2], 0.1 * 1e8 / (600.0 * 600.0), 1e-6);
	EXPECT_EQ(param.dist_factor[0], 320.0);
	EXPECT_EQ(param.dist_factor[1], 240.0);
	EXPECT_LT(lensModelMismatch(K, barrel, param), 1e-6);
	// A second radial term is approximated; the worst miss stays small.
	const std::vector<double> twoTerms = {-0.1, 0.05, 0.0, 0.0};
	EXPECT_LT(lensModelMismatch(K, twoTerms, cameraParamFromCalibration(K, twoTerms, photoSize)), 1.5);
	EXPECT_NEAR(cameraParamFromCalibration(K, {}, photoSize).dist_factor[2], 0.0, 1e-9);
}

}  // namespace
