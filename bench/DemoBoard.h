#pragma once

#include "analysis/ColourRanges.h"
#include "app/Application.h"
#include "core/FixedValues.h"
#include "markers/ARParam.h"
#include "platform/HeadlessDisplay.h"
#include "scenes/SyntheticBoardCamera.h"

#include <opencv2/imgproc.hpp>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// The demo board as the measurements and the checks of their results see it.
// The program's data files must be in the working directory.

/// The camera of --source demo: the shipped board with the demo drawing, in
/// the demo's neutral light or in another room's.
inline std::unique_ptr<FrameSource> demoCamera(const Photography& room = Photography())
{
	std::string error;
	std::unique_ptr<FrameSource> camera = SyntheticBoardCamera::fromFiles("Data/camera_para.dat",
		"Data/markers/marker.dat", "Data/markers/portal.dat", demoDrawing(), viewOfBoard(480.0, 10.0, 0.0), error,
		room);
	if (!camera)
	{
		throw std::runtime_error(error);
	}
	return camera;
}

/// The same camera delivering frames of another size, as a webcam set to
/// 1280 x 720 or 1920 x 1080 does (the shipped camera's parameters scaled).
inline std::unique_ptr<FrameSource> demoCamera(const Photography& room, cv::Size frameSize)
{
	BoardCameraFiles files;
	std::string error;
	if (!readBoardCameraFiles("Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", files, error))
	{
		throw std::runtime_error(error);
	}
	ARParam scaled;
	arParamChangeSize(&files.camera, frameSize.width, frameSize.height, &scaled);
	return std::make_unique<SyntheticBoardCamera>(files.board, files.portal, scaled, demoDrawing(),
		viewOfBoard(480.0, 10.0, 0.0), room);
}

/// A webcam's frame at high definition: its sensor noise, and the JPEG
/// compression such a camera delivers its frames in.
inline Photography webcamAtHighDefinition()
{
	Photography webcam;
	webcam.noise = 2.5;
	webcam.jpegQuality = 80;
	return webcam;
}

/// A headless program over the demo camera, run up to and including its first
/// rescan: the board is scanned and the drawing made into bodies.
inline std::unique_ptr<Application> scannedDemo(std::unique_ptr<FrameSource> camera)
{
	auto app = std::make_unique<Application>(std::move(camera), std::make_unique<HeadlessDisplay>());
	if (app->start() != 0)
	{
		throw std::runtime_error("the demo program did not start");
	}
	// The first pass counts as motion, so the still counter reaches the
	// threshold one pass later.
	for (int pass = 0; pass <= Stillness::rescanThreshold; ++pass)
	{
		app->runPass();
	}
	return app;
}

inline std::unique_ptr<Application> scannedDemo(const Photography& room = Photography())
{
	return scannedDemo(demoCamera(room));
}

/// The black and yellow ink masks of a rectified board, before thinning.
inline std::pair<cv::Mat, cv::Mat> unthinnedInkMasks(const cv::Mat& warpedColor)
{
	cv::Mat ycrcb;
	cv::cvtColor(warpedColor, ycrcb, cv::COLOR_BGR2YCrCb);
	cv::Mat black;
	cv::Mat red;
	cv::Mat yellow;
	cv::inRange(ycrcb, blackInk.lower(), blackInk.upper(), black);
	cv::inRange(ycrcb, redInk.lower(), redInk.upper(), red);
	cv::inRange(ycrcb, yellowInk.lower(), yellowInk.upper(), yellow);
	return {black, yellow & ~red};
}

/// A board-sized mask covered in strokes of many widths, crossing each other.
inline cv::Mat denseScribble()
{
	cv::RNG rng(20261207);
	cv::Mat mask = cv::Mat::zeros(boardHeight, boardWidth, CV_8UC1);
	for (int i = 0; i < 150; ++i)
	{
		cv::line(mask, cv::Point(rng.uniform(0, boardWidth), rng.uniform(0, boardHeight)),
			cv::Point(rng.uniform(0, boardWidth), rng.uniform(0, boardHeight)), 255, rng.uniform(2, 14));
	}
	return mask;
}

/// The masks thinning is measured on, by name.
inline std::vector<std::pair<std::string, cv::Mat>> thinningMasks()
{
	const std::unique_ptr<Application> app = scannedDemo();
	const auto [black, yellow] = unthinnedInkMasks(app->ink().colours);
	return {{"demoBlack", black}, {"demoYellow", yellow}, {"scribble", denseScribble()},
		{"empty", cv::Mat::zeros(boardHeight, boardWidth, CV_8UC1)}};
}
