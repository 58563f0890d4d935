#pragma once

// Photographs of the calibration board as a camera takes them, rendered for
// the calibration tool's tests: a pinhole camera, optionally a lens that
// bends the picture, a room's light, and a sheet that is not glued flat.

#include "ScratchFiles.h"
#include "calibration/CharucoCalibration.h"

#include <gtest/gtest.h>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

/// A camera to find again: 640 x 480, square-ish pixels, the centre off the middle.
const cv::Size photoSize(640, 480);
const cv::Matx33d trueCamera(700.0, 0.0, 331.0, 0.0, 688.0, 233.0, 0.0, 0.0, 1.0);

/// How a room lights the photographs: an overall level, and how much of it
/// is lost from the left edge of the picture to the right.
struct PhotoLight
{
	double level = 1.0;
	double falloff = 0.0;
};

/// A set of photographs of the board and what is wrong with them.
struct PhotoSet
{
	cv::Matx33d camera = trueCamera;
	/// The lens's radial term, OpenCV's k1: below 0 barrel, above 0 pincushion.
	double k1 = 0.0;
	PhotoLight light;
	/// How far a sheet that is not glued flat moves the board's points, at most, in pixels.
	double waviness = 0.0;
	/// The board's tilts scaled: 1 turns it up to 35 degrees, 0.05 holds it nearly square on.
	double tiltScale = 1.0;
	/// Added to every place of the board, millimetres from the camera.
	cv::Vec3d shift;
	/// How many of the twelve places are photographed.
	int count = 12;
	std::string name = "charuco";
	/// The board photographed, grey at 4 pixels a millimetre; empty: the calibration board.
	cv::Mat board;
};

/// A plain chessboard of `innerCorners` (where four squares meet) and
/// `squareMm` squares, with a square's width of white round it, at 4 pixels
/// a millimetre, as writeBoardPhotos takes it.
inline cv::Mat renderChessboard(cv::Size innerCorners, double squareMm)
{
	const int square = int(std::lround(squareMm * 4.0));
	cv::Mat board((innerCorners.height + 3) * square, (innerCorners.width + 3) * square, CV_8UC1, cv::Scalar(255));
	for (int row = 0; row <= innerCorners.height; ++row)
	{
		for (int col = (row % 2); col <= innerCorners.width; col += 2)
		{
			board(cv::Rect((col + 1) * square, (row + 1) * square, square, square)).setTo(0);
		}
	}
	return board;
}

/// The picture a lens with radial term `k1` makes of the pinhole picture `ideal`.
inline cv::Mat throughLens(const cv::Mat& ideal, const cv::Matx33d& camera, double k1)
{
	std::vector<cv::Point2f> observed;
	for (int y = 0; y < ideal.rows; ++y)
	{
		for (int x = 0; x < ideal.cols; ++x)
		{
			observed.emplace_back(float(x), float(y));
		}
	}
	std::vector<cv::Point2f> source;
	cv::undistortPoints(observed, source, camera, std::vector<double>{k1, 0.0, 0.0, 0.0}, cv::noArray(), camera);
	cv::Mat map(ideal.size(), CV_32FC2, source.data());
	cv::Mat bent;
	cv::remap(ideal, bent, map, cv::noArray(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(90));
	return bent;
}

/// The picture of a sheet that rises and falls a little: every point moved
/// by up to `pixels`, in waves of a few squares, another way in each photo.
inline cv::Mat onWavySheet(const cv::Mat& flat, double pixels, int seed)
{
	cv::RNG random(uint64_t(seed) + 1);
	const double phase[4] = {random.uniform(0.0, 2 * CV_PI), random.uniform(0.0, 2 * CV_PI),
		random.uniform(0.0, 2 * CV_PI), random.uniform(0.0, 2 * CV_PI)};
	cv::Mat map(flat.size(), CV_32FC2);
	for (int y = 0; y < flat.rows; ++y)
	{
		for (int x = 0; x < flat.cols; ++x)
		{
			const double dx = pixels * std::sin(x / 37.0 + phase[0]) * std::cos(y / 53.0 + phase[1]);
			const double dy = pixels * std::sin(y / 41.0 + phase[2]) * std::cos(x / 47.0 + phase[3]);
			map.at<cv::Vec2f>(y, x) = cv::Vec2f(float(x + dx), float(y + dy));
		}
	}
	cv::Mat wavy;
	cv::remap(flat, wavy, map, cv::noArray(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(90));
	return wavy;
}

/// A photograph of the printed board: board pixels go to millimetres on the
/// plane (centre at the origin), through [R | t] and the camera to the image.
inline cv::Mat photographBoard(const cv::Mat& board, double pixelsPerMm, cv::Vec3d rotation, cv::Vec3d translation,
	const PhotoSet& set = PhotoSet(), int seed = 0)
{
	cv::Matx33d R;
	cv::Rodrigues(rotation, R);
	const cv::Matx33d planeToCamera(R(0, 0), R(0, 1), translation[0], R(1, 0), R(1, 1), translation[1], R(2, 0),
		R(2, 1), translation[2]);
	const cv::Matx33d pixelsToPlane(1.0 / pixelsPerMm, 0.0, -board.cols / (2.0 * pixelsPerMm), 0.0,
		1.0 / pixelsPerMm, -board.rows / (2.0 * pixelsPerMm), 0.0, 0.0, 1.0);
	cv::Mat photo;
	cv::warpPerspective(board, photo, cv::Mat(set.camera * planeToCamera * pixelsToPlane), photoSize, cv::INTER_AREA,
		cv::BORDER_CONSTANT, cv::Scalar(90));
	if (set.k1 != 0.0)
	{
		photo = throughLens(photo, set.camera, set.k1);
	}
	if (set.waviness > 0.0)
	{
		photo = onWavySheet(photo, set.waviness, seed);
	}
	const PhotoLight& light = set.light;
	if (light.level != 1.0 || light.falloff != 0.0)
	{
		cv::Mat lit(photo.size(), CV_32F), noise(photo.size(), CV_32F);
		for (int col = 0; col < photo.cols; ++col)
		{
			lit.col(col).setTo(light.level * (1.0 - light.falloff * col / photo.cols));
		}
		photo.convertTo(photo, CV_32F);
		cv::multiply(photo, lit, photo);
		cv::RNG(11).fill(noise, cv::RNG::NORMAL, 0.0, 3.0);
		photo += noise;
		photo.convertTo(photo, CV_8U);
	}
	cv::GaussianBlur(photo, photo, cv::Size(3, 3), 0.7);
	return photo;
}

/// The set's photographs, from up to twelve places tilted up to 35 degrees,
/// written into `directory` as NAME_0.png ...; their paths, each after a space.
inline std::string writeBoardPhotos(const std::string& directory, const PhotoSet& set = PhotoSet())
{
	const double pixelsPerMm = 4.0;
	const cv::Mat board = set.board.empty() ? renderCharucoBoard(CharucoLayout(), pixelsPerMm) : set.board;
	const double degree = CV_PI / 180.0;
	const cv::Vec3d tilts[] = {{0, 0, 0}, {25, 0, 0}, {-25, 0, 5}, {0, 30, 0}, {0, -30, -5}, {20, 20, 10},
		{-20, 25, -10}, {30, -20, 0}, {-15, -30, 15}, {35, 0, -15}, {0, 35, 20}, {-30, 10, 0}};
	const cv::Vec3d places[] = {{0, 0, 430}, {-20, 10, 460}, {15, -10, 470}, {10, 15, 450}, {-10, -5, 480},
		{25, 5, 500}, {-30, 0, 520}, {0, 20, 480}, {20, -20, 540}, {5, 5, 500}, {-15, 10, 510}, {10, -10, 400}};
	std::string paths;
	for (int i = 0; i < set.count && i < int(std::size(tilts)); ++i)
	{
		// The turn within the board's own plane (z) stays: it does not tilt the board.
		const cv::Vec3d tilt(tilts[i][0] * set.tiltScale, tilts[i][1] * set.tiltScale, tilts[i][2]);
		const std::string path = directory + "drawtable_" + set.name + "_" + std::to_string(i) + ".png";
		const cv::Mat photo = photographBoard(board, pixelsPerMm, tilt * degree, places[i] + set.shift, set, i);
		EXPECT_TRUE(cv::imwrite(path, photo)) << path;
		paths += " " + path;
	}
	return paths;
}

/// Run the calibration tool; its exit status, with what it said (standard
/// output and error) in `output`.
inline int runCalibrate(const std::string& arguments, std::string& output)
{
	const std::string outputFile = scratchPath("calibrate.out");
	const int status = std::system((std::string(CALIBRATE_PATH) + " " + arguments + " >" + outputFile + " 2>&1").c_str());
	std::stringstream text;
	text << std::ifstream(outputFile).rdbuf();
	output = text.str();
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
