#pragma once

#include "tracking/CellPicture.h"

#include <opencv2/core.hpp>

/// How a camera picture differs from an earlier one once the light's own
/// changes are taken out. A lamp that flickers, bands rolling through the
/// picture, an exposure or a white balance settling: each changes every part
/// of the picture alike (or every row alike), which the light's gains explain;
/// a hand, a moved camera or a moved board changes some parts and not others.
struct MotionReading
{
	/// The share of all cells that changed by more than the light and the
	/// sensor's noise explain.
	double changedShare = 1.0;
	/// The light's change per channel (B, G, R), now over then.
	cv::Vec3d gain = cv::Vec3d(1.0, 1.0, 1.0);
	/// How far the rows of cells differ in brightness from one another, once
	/// the whole picture's gain is out (the upper quartile of their
	/// differences from the median row, as a fraction): how deep rolling bands
	/// run.
	double bandDepth = 0.0;
	/// The cells that changed (255), 8-bit, the cell grid's size; empty when
	/// the two pictures could not be compared.
	cv::Mat changedCells;
	/// What each cell changed by beyond what the light's gains predict, per
	/// channel, in grey levels (32-bit float, 3 channels, the grid's size):
	/// what a projector's light, a hand or anything else did.
	cv::Mat changeFromThen;
	/// Motion: enough of the picture changed (or the pictures cannot be
	/// compared: a first frame, a frame of another size).
	bool moved = true;
};

/// The share of the cells that must change for a picture to count as moved:
/// a hand's fingers at the board's edge with the board filling a quarter of
/// the picture, while ink drawn in one stroke, or a ring, changes fewer.
constexpr double motionShare = 0.01;

/// The light a projector is expected to have added to the picture between
/// then and now, per cell and channel, in grey levels: somewhere between
/// `least` and `most` (32-bit float, 3 channels, the cell grid's size; both
/// empty for none). A cell it lights has moved only when it changed by more
/// than that.
struct ExpectedLight
{
	cv::Mat least;
	cv::Mat most;

	bool empty() const { return least.empty(); }
};

/// A projector's expected change of light this small, in grey levels, is no
/// light at all: the cell counts as unlit.
constexpr float noLight = 1.0f;

/// Compare a picture with an earlier one. Cells ignored in either (see
/// CellPicture) neither change nor tell the light's gains; nor do cells the
/// projector's light changes, whose change is judged against `projected`.
MotionReading compareCellPictures(const CellPicture& now, const CellPicture& then,
	const ExpectedLight& projected = ExpectedLight());
