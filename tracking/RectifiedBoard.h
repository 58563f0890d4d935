#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// What the board scans saw: the board rectified into board pixels (640 x
/// 480), the map from the camera to it, and where the portal card, the drawing
/// area and the printed markers lie on it, in board pixels.
///
/// Before the first successful scan every image and list is empty, and readers
/// must accept that. A failed scan leaves the images and lists as they were.
struct RectifiedBoard
{
	/// 3 x 3 perspective transform (doubles) from ideal camera pixels to board
	/// pixels; set with setHomography, which keeps the way back beside it.
	cv::Mat homography;
	/// Board pixels to ideal camera pixels, and whether there is such a map
	/// (false before the first scan, or for a homography that cannot be inverted).
	cv::Matx33d boardToCamera = cv::Matx33d::eye();
	bool mapped = false;

	/// Set the homography and its inverse together: they are used every pass
	/// and change only with a scan.
	void setHomography(const cv::Mat& cameraToBoard);
	/// The board as the camera saw it, BGR, and the same in grey.
	cv::Mat colour;
	cv::Mat grey;

	/// The portal card was found in the last scan that found the board.
	bool portalVisible = false;
	/// The portal card's corners, in portalCornerSigns' zigzag order (see
	/// markers/BoardLayout.h); kept from an earlier scan while the card is not seen.
	std::vector<cv::Point2f> portalCorners;
	/// False from the moment a scan has detected markers until it has
	/// rectified the board: false after a scan that found no usable board.
	bool boardScanned = false;
	/// Top-left and bottom-right corner of the drawing area.
	std::vector<cv::Point2f> innerCorners;
	/// The four corners of every printed marker of the board, in the order of
	/// the board's marker file: the places that are not paper.
	std::vector<std::vector<cv::Point2f>> markerOutlines;

	/// Boards rectified so far: a new number means new pictures.
	int rectifications = 0;
};
