#pragma once

#include "render/ViewFit.h"

#include <opencv2/core.hpp>

/// The picture under the play view's game: the camera frame, either warped
/// so that the board's drawing area fills the window as if seen from straight
/// above, or, while the board is not in view, as it is, turned upright.
class PlayBackdrop
{
public:
	/// The camera frame seen from straight above: board pixel p of the frame
	/// (through `cameraToBoard`) lands on `fit.toWindow(p)` of `window`. The
	/// camera holds no more detail than its pixels: the board is warped at
	/// the camera's own scale and enlarged to the window's, which costs a
	/// fraction of warping every window pixel. Where each pixel comes from
	/// is worked out when the board's place or the frame's size changes.
	void drawBoard(const cv::Mat& frame, const cv::Matx33d& cameraToBoard, const ViewFit& fit, cv::Mat& window);

	/// The camera frame whole, fitted and centred in `window`, turned by the
	/// quarter turns that bring a board seen through `cameraToBoard` upright,
	/// and dimmed, so that words over it stand out.
	void drawCamera(const cv::Mat& frame, const cv::Matx33d& cameraToBoard, cv::Mat& window);

private:
	/// Where the pixels of a picture of `size` come from under
	/// `cameraToPicture`, for frames of `frame`'s size.
	void mapPixels(const cv::Matx33d& cameraToPicture, cv::Size size, cv::Size frame);

	/// The warped board at the camera's scale, kept from pass to pass.
	cv::Mat m_atCameraScale;
	/// The camera pixel of each of its pixels, as cv::remap takes it (whole
	/// pixels and fractions), and what it was made for.
	cv::Mat m_mapWhole;
	cv::Mat m_mapFractions;
	cv::Matx33d m_mappedBy;
	cv::Size m_mappedFrame;
	/// The turned camera frame.
	cv::Mat m_turned;
};

/// The quarter turns (0 to 3, clockwise) that bring the camera's picture to
/// the board's orientation under `cameraToBoard`: the camera's x axis as the
/// board sees it, to the nearest quarter turn.
int quarterTurnsToBoard(const cv::Matx33d& cameraToBoard, cv::Size frame);
