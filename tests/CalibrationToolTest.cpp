// The calibration tool as a user runs it: photo sets that it grades, that it
// refuses with advice, where it writes and what it keeps; a plain chessboard,
// rendered and photographed by a real camera.

#include "BoardPhotos.h"
#include "ScratchFiles.h"
#include "TestSupport.h"
#include "calibration/CalibrationNote.h"
#include "calibration/CalibrationVerdict.h"
#include "markers/ARParam.h"

#include <gtest/gtest.h>
#include <opencv2/calib3d.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utime.h>

namespace
{

namespace fs = std::filesystem;

std::string fileBytes(const std::string& path)
{
	std::ifstream file(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

/// A folder of the scratch folder's for one test's files.
std::string freshFolder(const std::string& name)
{
	const std::string folder = scratchPath(name) + "/";
	fs::remove_all(folder);
	fs::create_directories(folder);
	return folder;
}

/// The line of `output` that holds `text`, or empty.
std::string lineWith(const std::string& output, const std::string& text)
{
	const size_t at = output.find(text);
	if (at == std::string::npos)
	{
		return std::string();
	}
	const size_t start = output.rfind('\n', at) == std::string::npos ? 0 : output.rfind('\n', at) + 1;
	return output.substr(start, output.find('\n', at) - start);
}

PhotoSet nearlySquareOn()
{
	PhotoSet set;
	set.tiltScale = 0.03;
	set.name = "square_on";
	return set;
}

PhotoSet wavySheet(double pixels, const std::string& name)
{
	PhotoSet set;
	set.waviness = pixels;
	set.name = name;
	return set;
}

/// Photos cropped off their middle: the picture's left edge cut away, which
/// moves the optical centre to 120 pixels of 640.
PhotoSet croppedOffCentre()
{
	PhotoSet set;
	set.camera(0, 2) = 120.0;
	set.shift = cv::Vec3d(150.0, 0.0, 0.0);
	set.name = "cropped";
	return set;
}

PhotoSet throughPincushionLens()
{
	PhotoSet set;
	set.k1 = 0.3;
	set.name = "pincushion";
	return set;
}

/// A telephoto lens, 24 degrees across: no webcam's.
PhotoSet throughTelephotoLens()
{
	PhotoSet set;
	set.camera = cv::Matx33d(1500.0, 0.0, 320.0, 0.0, 1500.0, 240.0, 0.0, 0.0, 1.0);
	set.shift = cv::Vec3d(0.0, 0.0, 600.0);
	set.name = "telephoto";
	return set;
}

TEST(CalibrationTool, GradesWhatItWritesAndNotesItForTheProgram)
{
	const struct
	{
		PhotoSet set;
		const char* grade;
	} cases[] = {{PhotoSet(), "grade: good"}, {wavySheet(0.8, "slightly_wavy"), "grade: usable"}};
	for (const auto& test : cases)
	{
		const std::string folder = freshFolder("graded_" + test.set.name);
		const std::string parameterFile = folder + "camera_para.dat";
		std::string output;
		ASSERT_EQ(runCalibrate("-o " + parameterFile + writeBoardPhotos(folder, test.set), output), 0) << output;
		EXPECT_NE(output.find(test.grade), std::string::npos) << output;
		EXPECT_NE(output.find(parameterFile + " written\n"), std::string::npos) << output;
		EXPECT_EQ(output.find("refused"), std::string::npos) << output;
		ARParam param;
		ASSERT_EQ(arParamLoad(parameterFile.c_str(), 1, &param), 0);
		EXPECT_NEAR(param.mat[0][0], trueCamera(0, 0), 0.02 * trueCamera(0, 0)) << test.grade;

		// The program learns that this calibration is new and untried, until
		// it has found the board with it, and not on another day.
		const std::time_t now = std::time(nullptr);
		CalibrationNote note;
		ASSERT_TRUE(readCalibrationNote(parameterFile, note)) << fileBytes(calibrationNotePath(parameterFile));
		EXPECT_EQ("grade: " + note.grade, test.grade);
		EXPECT_FALSE(note.forced);
		EXPECT_TRUE(isUntriedCalibration(parameterFile, now));
		EXPECT_FALSE(isUntriedCalibration(parameterFile, now + 2 * 24 * 3600));
		EXPECT_FALSE(markCalibrationUsed(parameterFile));
		EXPECT_FALSE(isUntriedCalibration(parameterFile, now));
	}
}

TEST(CalibrationTool, RefusesWhatCannotBeRightSayingTheFigureAndWhatToDo)
{
	const struct
	{
		PhotoSet set;
		const char* figure;
		const char* advice;
	} cases[] = {
		{nearlySquareOn(), "the views turn the board by ", "tilt the board by 20 to 45 degrees"},
		{wavySheet(2.5, "wavy"), "reprojection error 1.", "glued flat"},
		{croppedOffCentre(), "the optical centre 1", "uncropped"},
		{throughPincushionLens(), "lens factor f = -", "board in the corners"},
		{throughTelephotoLens(), "the focal length, fx 15", "unscaled"},
	};
	std::string squareOnOutput;
	for (const auto& test : cases)
	{
		const std::string folder = freshFolder("refused_" + test.set.name);
		const std::string parameterFile = folder + "camera_para.dat";
		std::string output;
		EXPECT_EQ(runCalibrate("-o " + parameterFile + writeBoardPhotos(folder, test.set), output), 1) << output;
		const std::string refusal = lineWith(output, "refused: " + std::string(test.figure));
		EXPECT_NE(refusal, "") << test.set.name << "\n" << output;
		EXPECT_NE(refusal.find(test.advice), std::string::npos) << refusal;
		EXPECT_NE(output.find("nothing written to " + parameterFile), std::string::npos) << output;
		EXPECT_FALSE(fs::exists(parameterFile)) << test.set.name;
		EXPECT_FALSE(fs::exists(calibrationNotePath(parameterFile))) << test.set.name;
		squareOnOutput = test.set.name == "square_on" ? output : squareOnOutput;
	}
	// Views that face the camera alike fix no focal length: the one the fit
	// lands on is refused too.
	EXPECT_NE(lineWith(squareOnOutput, "refused: the focal length"), "") << squareOnOutput;
}

TEST(CalibrationTool, ForceWritesARefusedResultAndSaysSo)
{
	const std::string folder = freshFolder("forced");
	const std::string parameterFile = folder + "camera_para.dat";
	std::string output;
	ASSERT_EQ(runCalibrate("--force -o " + parameterFile + writeBoardPhotos(folder, croppedOffCentre()), output), 0)
		<< output;
	EXPECT_NE(lineWith(output, "written all the same: the optical centre"), "") << output;
	EXPECT_NE(output.find(parameterFile + " written anyway (--force)"), std::string::npos) << output;
	ARParam param;
	ASSERT_EQ(arParamLoad(parameterFile.c_str(), 1, &param), 0);
	EXPECT_NEAR(param.mat[0][2], 120.0, 3.0);
	CalibrationNote note;
	ASSERT_TRUE(readCalibrationNote(parameterFile, note));
	EXPECT_TRUE(note.forced);

	// Another camera file put in its place has no note of the tool's.
	param.mat[0][2] = 320.0;
	ASSERT_EQ(arParamSave(parameterFile.c_str(), 1, &param), 0);
	EXPECT_FALSE(readCalibrationNote(parameterFile, note));
	EXPECT_FALSE(isUntriedCalibration(parameterFile, std::time(nullptr)));
}

TEST(CalibrationTool, KeepsTheCalibrationItReplaces)
{
	const std::string folder = freshFolder("kept");
	const std::string parameterFile = folder + "camera_para.dat";
	PhotoSet fewer;
	fewer.count = 8;
	fewer.name = "fewer";
	const std::string twelve = writeBoardPhotos(folder);
	const std::string eight = writeBoardPhotos(folder, fewer);
	std::string output;
	ASSERT_EQ(runCalibrate("-o " + parameterFile + twelve, output), 0) << output;
	EXPECT_EQ(output.find("kept as"), std::string::npos) << output;
	const std::string first = fileBytes(parameterFile);

	// Each calibration before is kept, said on the console, under a name that
	// tells when it was made; two made in the same second keep apart.
	const std::time_t made = 1700000000;
	std::tm local = {};
	::localtime_r(&made, &local);
	char stamp[32];
	std::strftime(stamp, sizeof stamp, ".%Y-%m-%d-%H%M%S", &local);
	std::vector<std::string> kept;
	for (const std::string& photos : {eight, twelve})
	{
		const std::string before = fileBytes(parameterFile);
		const utimbuf times = {made, made};
		ASSERT_EQ(::utime(parameterFile.c_str(), &times), 0);
		ASSERT_EQ(runCalibrate("-o " + parameterFile + photos, output), 0) << output;
		const std::string line = lineWith(output, "the calibration before is kept as ");
		ASSERT_NE(line, "") << output;
		kept.push_back(line.substr(line.find(" as ") + 4));
		EXPECT_EQ(fileBytes(kept.back()), before) << kept.back();
	}
	EXPECT_EQ(kept[0], parameterFile + stamp);
	EXPECT_EQ(kept[1], parameterFile + stamp + "-2");
	EXPECT_NE(fileBytes(kept[0]), fileBytes(kept[1]));
	EXPECT_EQ(fileBytes(parameterFile), first);

	// A refused calibration replaces nothing and keeps nothing more.
	const std::string refused = writeBoardPhotos(folder, nearlySquareOn());
	EXPECT_EQ(runCalibrate("-o " + parameterFile + refused, output), 1) << output;
	EXPECT_EQ(fileBytes(parameterFile), first);
	EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
		std::ptrdiff_t(12 + 8 + 12 + 4)) << "photos, the file, its note and the two kept";
}

TEST(CalibrationTool, RefusesAnOutputItCannotWriteBeforeLookingAtAPhoto)
{
	const std::string folder = freshFolder("unwritable");
	const std::string photos = writeBoardPhotos(folder);
	std::ofstream(folder + "a_file") << "not a folder";
	const struct
	{
		std::string output;
		const char* message;
	} cases[] = {
		{folder + "no_such_folder/camera_para.dat", "camera_para.dat: cannot be written: the folder "},
		{folder + "a_file/camera_para.dat", "a_file is not a folder"},
		{folder, "is a folder; name the file to write"},
	};
	for (const auto& test : cases)
	{
		std::string output;
		EXPECT_EQ(runCalibrate("-o " + test.output + photos, output), 1) << output;
		EXPECT_NE(output.find(test.message), std::string::npos) << output;
		EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
		EXPECT_EQ(output.find("corners"), std::string::npos) << "no photo looked at: " << output;
	}
}

TEST(CalibrationTool, TooFewViewsOrABadChessboardAreSaidInOneLine)
{
	const std::string folder = freshFolder("few");
	PhotoSet three;
	three.count = 3;
	std::string output;
	EXPECT_EQ(runCalibrate("-o " + folder + "camera_para.dat" + writeBoardPhotos(folder, three), output), 1);
	EXPECT_NE(output.find("the board was found in 3 views; 5 or more are needed; nothing written"), std::string::npos)
		<< output;
	EXPECT_FALSE(fs::exists(folder + "camera_para.dat"));

	const std::string photo = folder + "drawtable_charuco_0.png";
	for (const char* arguments : {"--chessboard 9by6 --square 25", "--chessboard 2x6 --square 25",
			 "--chessboard 9x6 --square 0", "--chessboard 9x6 --square 25mm"})
	{
		EXPECT_EQ(runCalibrate(arguments + (" " + photo), output), 2) << arguments;
		EXPECT_NE(output.find("calibrate: bad value \""), std::string::npos) << output;
	}
	EXPECT_EQ(runCalibrate("--chessboard 9x6 " + photo, output), 2);
	EXPECT_NE(output.find("--chessboard and --square go together"), std::string::npos) << output;
}

TEST(CalibrationTool, PhotosOfAPlainChessboardGiveTheCamera)
{
	const std::string folder = freshFolder("chessboard");
	PhotoSet set;
	set.board = renderChessboard(cv::Size(9, 6), 25.0);
	set.k1 = -0.2;
	set.name = "chessboard";
	const std::string parameterFile = folder + "camera_para.dat";
	std::string output;
	ASSERT_EQ(runCalibrate("--chessboard 9x6 --square 25 -o " + parameterFile + writeBoardPhotos(folder, set), output),
		0) << output;
	EXPECT_NE(output.find(": 54 of 54 corners"), std::string::npos) << output;
	EXPECT_NE(output.find("12 views of 640 x 480"), std::string::npos) << output;
	EXPECT_NE(output.find("grade: good"), std::string::npos) << output;
	ARParam param;
	ASSERT_EQ(arParamLoad(parameterFile.c_str(), 1, &param), 0);
	EXPECT_NEAR(param.mat[0][0], trueCamera(0, 0), 0.01 * trueCamera(0, 0));
	EXPECT_NEAR(param.mat[1][1], trueCamera(1, 1), 0.01 * trueCamera(1, 1));
	EXPECT_NEAR(param.mat[0][2], trueCamera(0, 2), 3.0);
	EXPECT_NEAR(param.mat[1][2], trueCamera(1, 2), 3.0);
	// OpenCV's k1 -0.2 at fx 700 is the tracker's f = 0.2 / 700^2 * 1e8.
	EXPECT_NEAR(param.dist_factor[2], 0.2e8 / (700.0 * 688.0), 4.0);
}

TEST(CalibrationTool, TiltSpreadIsMeasuredEachWayWhicheverWayTheNormalsPoint)
{
	const double degree = CV_PI / 180.0;
	const std::vector<cv::Vec3d> away = {{0.0, 0.0, 1.0}, {std::sin(30 * degree), 0.0, std::cos(30 * degree)},
		{std::sin(-10 * degree), std::sin(12 * degree), std::sqrt(1.0 - std::pow(std::sin(10 * degree), 2) - std::pow(std::sin(12 * degree), 2))}};
	std::vector<cv::Vec3d> mixed = away;
	mixed[1] = -mixed[1];
	for (const auto& normals : {away, mixed})
	{
		const TiltSpread spread = tiltSpread(normals);
		EXPECT_NEAR(spread.leftRight, 40.0, 0.5);
		EXPECT_NEAR(spread.towardsAway, 12.0, 0.5);
	}
}

/// Debian's opencv-doc: a real camera's photographs of a chessboard of 9 x 6
/// inner corners and 25 mm squares, and OpenCV's own calibration of it.
const std::string realPhotos = "/usr/share/doc/opencv-doc/examples/data/";

TEST(CalibrationTool, RealPhotosOfAChessboardGiveTheCameraOpenCVMeasured)
{
	std::string photos;
	for (int i = 1; i <= 14; ++i)
	{
		// left10.jpg is missing from some releases.
		const std::string path = realPhotos + (i < 10 ? "left0" : "left") + std::to_string(i) + ".jpg";
		photos += fs::exists(path) ? " " + path : "";
	}
	cv::FileStorage reference(realPhotos + "left_intrinsics.yml", cv::FileStorage::READ | cv::FileStorage::FORMAT_YAML);
	if (photos.empty() || !reference.isOpened())
	{
		GTEST_SKIP() << "no photographs in " << realPhotos << " (Debian's opencv-doc package)";
	}
	cv::Mat K, distortion;
	reference["camera_matrix"] >> K;
	reference["distortion_coefficients"] >> distortion;
	ASSERT_NEAR(K.at<double>(0, 0), 535.9, 0.1);

	const std::string parameterFile = freshFolder("real") + "camera_para.dat";
	std::string output;
	ASSERT_EQ(runCalibrate("--chessboard 9x6 --square 25 -o " + parameterFile + photos, output), 0) << output;
	EXPECT_NE(output.find("grade: good"), std::string::npos) << output;
	ARParam param;
	ASSERT_EQ(arParamLoad(parameterFile.c_str(), 1, &param), 0);
	std::printf("fx %.2f fy %.2f cx %.2f cy %.2f f %.2f; OpenCV's: fx = fy %.2f cx %.2f cy %.2f\n", param.mat[0][0],
		param.mat[1][1], param.mat[0][2], param.mat[1][2], param.dist_factor[2], K.at<double>(0, 0),
		K.at<double>(0, 2), K.at<double>(1, 2));
	EXPECT_NEAR(param.mat[0][0], K.at<double>(0, 0), 0.01 * K.at<double>(0, 0));
	EXPECT_NEAR(param.mat[1][1], K.at<double>(1, 1), 0.01 * K.at<double>(1, 1));
	EXPECT_LT(std::hypot(param.mat[0][2] - K.at<double>(0, 2), param.mat[1][2] - K.at<double>(1, 2)), 3.0);

	// The same barrel distortion: over the middle of the picture, which every
	// photo's board covers, a point is pulled towards the centre by what
	// OpenCV's five coefficients say, to a pixel and a half.
	EXPECT_GT(param.dist_factor[2], 0.0);
	double worst = 0.0;
	for (double radius = 40.0; radius <= 240.0; radius += 40.0)
	{
		for (double angle = 0.0; angle < 2 * CV_PI; angle += CV_PI / 4)
		{
			const cv::Point2d offset(radius * std::cos(angle), radius * std::sin(angle));
			const cv::Point2d centre(K.at<double>(0, 2), K.at<double>(1, 2));
			std::vector<cv::Point2d> seenByOpenCV;
			const std::vector<cv::Point3d> ray = {{offset.x / K.at<double>(0, 0), offset.y / K.at<double>(1, 1), 1.0}};
			cv::projectPoints(ray, cv::Vec3d(), cv::Vec3d(), K, distortion, seenByOpenCV);
			const double pulledByOpenCV = radius - cv::norm(seenByOpenCV[0] - centre);
			cv::Point2d seen;
			const cv::Point2d ours(param.mat[0][2] + offset.x, param.mat[1][2] + offset.y);
			arParamIdeal2Observ(param.dist_factor, ours.x, ours.y, &seen.x, &seen.y);
			const double pulled = radius - cv::norm(seen - cv::Point2d(param.mat[0][2], param.mat[1][2]));
			worst = std::max(worst, std::abs(pulled - pulledByOpenCV));
		}
	}
	std::printf("the lens pulls points up to 240 pixels from the centre as OpenCV's does, to %.2f pixels\n", worst);
	EXPECT_LT(worst, 1.5);
}

}  // namespace
