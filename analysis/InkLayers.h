#pragma once

#include "analysis/OwnInks.h"

#include <opencv2/core.hpp>

#include <vector>

using Contour = std::vector<cv::Point>;

/// The drawing's ink on a rectified board, as a rescan reads it step by step:
/// the board's colours as a neutral room shows them, one 0/255 mask per ink
/// (black and yellow thinned to lines one pixel wide), and the contours of the
/// thinned masks, in board pixels. The rescan fills it (the colours, then
/// segmentColours, applyMarkerRegions, extractBlackContours and
/// extractColourContours) and hands the contours on to the circle, wall and
/// same-map steps of DrawingAnalysis.
///
/// It lives as long as the program: "cont" and its screenshot show the
/// contour picture of the last rescan, and the contours' colours continue
/// from one rescan to the next.
struct InkLayers
{
	/// The rectified board whose ink is read (8-bit BGR, board-sized).
	cv::Mat colours;
	/// The user's own black and yellow, when learned: the segmentation takes
	/// them in place of its built-in classes.
	OwnInks own;

	/// The ink masks. Red only keeps reddish tones out of yellow.
	cv::Mat blackMask;
	cv::Mat redMask;
	cv::Mat yellowMask;

	/// Contours of the thinned black and yellow masks, every border (holes
	/// included), with their hierarchies as cv::findContours gives them.
	std::vector<Contour> blackContours;
	std::vector<cv::Vec4i> blackHierarchy;
	std::vector<Contour> yellowContours;
	std::vector<cv::Vec4i> yellowHierarchy;

	/// The black contours, each in a colour of its own, as "cont" shows them.
	cv::Mat contourImage;
	/// Colours of the contours in "cont". It starts from the same state in
	/// every program and is never reset, so a run's pictures repeat exactly.
	cv::RNG contourRng{1235};
};
