#pragma once

#include <opencv2/core.hpp>

/// The colour white paper reads in each cell of a grid over a picture of a
/// board, and which cells show paper at all: the local reading of the paper's
/// white, which follows shadows, a second lamp and a lamp's glare where a
/// smooth field over the whole board cannot.
///
/// A cell's paper is the median of its places once thin dark lines (pen
/// strokes) are closed over, so ink does not count. Two things make paper
/// read darker than its neighbours: less light (a shadow, a dimmer lamp of
/// another colour) and something lying on it (a hand, a sleeve, a filled
/// patch of ink). What tells them apart is the edge: light changes over a
/// soft edge, 15 board pixels or more, and a thing on the board ends sharply.
/// Neighbouring cells are joined unless a sharp edge lies between their
/// different levels; a group of joined cells on the dark side of the sharp
/// edges round it is covered, and the rest is paper. Clipped places (two
/// channels or more at the sensor's top) and places outside the paper are
/// never measured: what they hide is left out, and filled from the paper
/// round them by the caller.
class PaperCells
{
public:
	enum State : uchar
	{
		/// Too few measurable places: clipped, outside the paper, off the picture.
		Unseen = 0,
		Paper = 1,
		/// Paper lies under something with sharp edges.
		Covered = 2
	};

	/// Cells are this many pixels of the picture on a side.
	static constexpr int cellSide = 8;

	/// A channel at or above this reads the sensor's top: the light there may
	/// have been brighter, and the colour is not known.
	static constexpr int clipLevel = 253;
	/// Two channels or more of an 8-bit B, G, R colour read clipLevel or more.
	static bool clipped(const uchar* bgr)
	{
		return (bgr[0] >= clipLevel) + (bgr[1] >= clipLevel) + (bgr[2] >= clipLevel) >= 2;
	}

	/// Measure `picture` (8-bit BGR) where `paper` (8-bit, its size) is
	/// non-zero. Places reading pure black (outside the camera's view) are
	/// never paper.
	static PaperCells measure(const cv::Mat& picture, const cv::Mat& paper);

	cv::Size grid() const { return states.size(); }
	State state(int row, int col) const { return State(states.at<uchar>(row, col)); }
	/// Natural logarithm of the cell's paper, B, G and R; meaningful unless Unseen.
	cv::Vec3f logColour(int row, int col) const { return logColours.at<cv::Vec3f>(row, col); }
	/// The cell's centre in the picture's pixels.
	static cv::Point2d centre(int row, int col)
	{
		return cv::Point2d((col + 0.5) * cellSide - 0.5, (row + 0.5) * cellSide - 0.5);
	}
	int count(State which) const;

	/// Natural logarithm of the cell's picture once thin dark lines are closed
	/// over, B, G and R, the mean of its measurable places: what the paper
	/// roughly reads in a cell that ink leaves Unseen, with the colour blur
	/// spreads from ink beside it. Meaningful where roughlySeen.
	cv::Vec3f roughLogColour(int row, int col) const { return roughLogColours.at<cv::Vec3f>(row, col); }
	bool roughlySeen(int row, int col) const { return roughLogColours.at<cv::Vec3f>(row, col)[0] > 0.0f; }

private:
	void readRoughly(const cv::Mat& closed, const cv::Mat& measurable);

	cv::Mat logColours;  ///< CV_32FC3, one per cell
	cv::Mat roughLogColours;  ///< CV_32FC3, one per cell; 0 where too little is measurable
	cv::Mat states;      ///< CV_8U, a State per cell
};

/// 255 where two channels or more of `picture` (8-bit BGR) read clipLevel or
/// more, 0 elsewhere: places whose colour the sensor could not record.
cv::Mat clippedPlaces(const cv::Mat& picture);
