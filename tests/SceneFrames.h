#pragma once

#include "markers/BoardLayout.h"
#include "scenes/ScriptedBoardCamera.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <memory>
#include <string>

/// A scene written in a test, played by the synthetic camera over the shipped
/// board, with where board points lie in its frames: for measuring what the
/// camera shows.
struct SceneFrames
{
	explicit SceneFrames(const std::string& text)
	{
		SceneScript script;
		std::string error;
		EXPECT_TRUE(parseSceneScript(text, "t.scene", script, error)) << error;
		BoardCameraFiles files;
		EXPECT_TRUE(readBoardCameraFiles(
			"Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", files, error))
			<< error;
		camera = std::make_unique<ScriptedBoardCamera>(script, files.board, files.portal, files.camera);
		const CameraView& view = script.views.front();
		const ARParam& parameters = camera->cameraParameters();
		boardToImage = planeToPixels(cameraIntrinsics(parameters),
						   viewOfBoard(view.distance, view.tilt, view.turn, view.target))
			* boardPixelsToSetMm(files.board);
	}

	/// The frame of a pass, a copy.
	cv::Mat frame(int pass) { return camera->frameOfPass(pass).clone(); }

	/// The frame's pixel (observed, through the lens's distortion) of a board point.
	cv::Point2d pixelOf(cv::Point2d board) const
	{
		const cv::Vec3d q = boardToImage * cv::Vec3d(board.x, board.y, 1.0);
		double ox, oy;
		arParamIdeal2Observ(camera->cameraParameters().dist_factor, q[0] / q[2], q[1] / q[2], &ox, &oy);
		return cv::Point2d(ox, oy);
	}

	/// The mean colour of a frame round a board point, over a square of
	/// 2 * `reach` + 1 frame pixels (BGR).
	cv::Scalar meanAt(const cv::Mat& image, cv::Point2d board, int reach = 2) const
	{
		const cv::Point2d p = pixelOf(board);
		const cv::Rect square(int(std::lround(p.x)) - reach, int(std::lround(p.y)) - reach, 2 * reach + 1, 2 * reach + 1);
		return cv::mean(image(square & cv::Rect(cv::Point(), image.size())));
	}

	/// A frame's colour at a board point, between pixels bilinear (BGR).
	cv::Vec3d colourAt(const cv::Mat& image, cv::Point2d board) const
	{
		cv::Mat one;
		cv::getRectSubPix(image, cv::Size(1, 1), cv::Point2f(pixelOf(board)), one, CV_32F);
		return cv::Vec3d(one.at<cv::Vec3f>(0, 0));
	}

	/// Board pixels over which a level seen along a line, from `from` towards
	/// `to`, goes from 10 % to 90 % of the way from its level at `from` to its
	/// level at `to`: the width of an edge between them.
	double edgeWidth(const cv::Mat& image, cv::Point2d from, cv::Point2d to, int channel) const
	{
		const double length = cv::norm(to - from);
		const double start = colourAt(image, from)[channel], end = colourAt(image, to)[channel];
		double tenth = -1.0, ninth = -1.0;
		for (double along = 0.0; along <= length; along += 0.25)
		{
			const double share = (colourAt(image, from + (to - from) * (along / length))[channel] - start) / (end - start);
			tenth = tenth < 0.0 && share >= 0.1 ? along : tenth;
			ninth = ninth < 0.0 && share >= 0.9 ? along : ninth;
		}
		return ninth - tenth;
	}

	std::unique_ptr<ScriptedBoardCamera> camera;
	cv::Matx33d boardToImage;
};

/// The scene statements of a camera straight above the board, in even light
/// that puts white paper at 255 and with no noise, over an empty map: what is
/// measured shows alone. `extra` comes before the map, `drawing` after it.
inline std::string plainScene(const std::string& extra, const std::string& drawing = "")
{
	return "view 480 0 0\ncamera noise 0\n" + extra + "\nmap a\n" + drawing + "\n";
}
