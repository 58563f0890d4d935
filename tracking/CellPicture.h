#pragma once

#include <opencv2/core.hpp>

/// A camera frame reduced to the mean colour of each cell of a grid: what the
/// motion test compares. The grid is 64 cells across with square cells (48
/// rows at 4:3, 36 at 16:9), and each cell's mean is taken from a sample of
/// its pixels spread evenly, about 25 of them whatever the frame size: the
/// sensor's noise averages out alike at 640 x 480 and at 1920 x 1080, and
/// reducing an HD frame costs well under a millisecond.
class CellPicture
{
public:
	/// Cells across every grid.
	static constexpr int columns = 64;
	/// A channel at or above this is clipped: the sensor says only "at least".
	static constexpr int clippedLevel = 250;

	CellPicture() = default;

	/// The cells of an 8-bit BGR frame. Pixels set in `ignored` (8-bit, the
	/// frame's size; empty for none) are left out, and a cell with more than
	/// half of its sample left out is marked ignored as a whole.
	explicit CellPicture(const cv::Mat& frame, const cv::Mat& ignored = cv::Mat());

	/// The grid of cells over a frame of `frame` pixels (columns x rows).
	static cv::Size gridOf(cv::Size frame);

	/// No frame, or one that is not 8-bit BGR: nothing to compare.
	bool empty() const { return means.empty(); }
	/// The frame it was made from.
	cv::Size frameSize() const { return size; }

	/// Mean colours (B, G, R), 32-bit float, one per cell.
	const cv::Mat& cells() const { return means; }
	/// Per cell and channel, 255 where a sample is clipped (at or above
	/// `clippedLevel`): the mean then only says "at least".
	const cv::Mat& clippedCells() const { return clip; }
	/// 255 for cells left out, 0 for the others.
	const cv::Mat& ignoredCells() const { return left; }

private:
	cv::Mat means;
	cv::Mat clip;
	cv::Mat left;
	cv::Size size;
};
