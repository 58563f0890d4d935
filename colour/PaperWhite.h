#pragma once

#include <opencv2/core.hpp>

#include <array>

/// The colour that white paper reads across a picture of a board, as the
/// room's light and the camera make it: a cast, an exposure, light falling
/// off across the board, vignetting. The ink ranges of the segmentation and
/// the skin range of the hand test hold for a camera whose paper reads neutral
/// and bright; `normalise` maps any other picture to such a camera's.
///
/// Measured from the picture itself: in each cell of a grid, the brightest
/// quarter of the places that may show paper is taken as that cell's paper
/// (ink, being darker, stays below it where it covers less than three quarters
/// of the cell). A smooth field, the exponential of a quadratic in x and y per
/// channel, is fitted to the cells; cells that disagree with it (under a hand,
/// the portal card, a patch of ink) are left out until the fit holds.
class PaperWhite
{
public:
	/// What paper reads under a neutral light, and what `normalise` maps it to:
	/// a webcam's own exposure puts white paper near it.
	static constexpr double referenceWhite = 240.0;

	/// Paper that is at least this bright and no further from grey than this
	/// in Cr and Cb everywhere reads neutral, and its picture is left exactly
	/// as it is. That is safe only while no ink class and no skin can take
	/// such paper: analysis/ holds its colour ranges to these (static_assert).
	static constexpr double neutralBrightness = 200.0;
	static constexpr double neutralChroma = 2.0;

	/// Measure on `picture` (8-bit BGR) the places `paper` marks (8-bit, non-zero
	/// where paper may show). Places reading pure black (outside the camera's
	/// view) are never paper.
	static PaperWhite measure(const cv::Mat& picture, const cv::Mat& paper);

	/// Enough cells agreed on a paper colour for the field to hold.
	bool found() const { return cellsUsed >= minimumCells; }

	/// The paper reads neutral and bright everywhere, as the colour ranges
	/// expect: a picture that does needs no change, and gets none.
	bool readsNeutral() const;

	/// The paper's colour (B, G, R) at a pixel of the measured picture.
	cv::Vec3d at(cv::Point2d pixel) const;

	/// Map the colours of `picture` (the measured one, or another of its size
	/// and light) so that paper reads `referenceWhite` in every channel
	/// everywhere, then take out what the gains made of the camera's colour
	/// noise (balanceColours). Does nothing unless found().
	void normalise(cv::Mat& picture) const;

	/// Measure the paper of `picture` where `paper` allows and, unless it
	/// already reads neutral and bright, normalise the picture. A picture
	/// that reads neutral is left exactly as it is. Returns what was measured.
	static PaperWhite readAsNeutral(cv::Mat& picture, const cv::Mat& paper);

	/// Cells that agreed with the field, and cells that showed paper at all.
	int cellsUsed = 0;
	int cellsMeasured = 0;

private:
	/// A field needs this many cells of a 20 x 15 grid to be trusted: four for
	/// each of the quadratic's six terms, so that no one cell steers it.
	static constexpr int minimumCells = 24;

	/// Per channel, the quadratic of log paper colour in the picture's
	/// coordinates scaled to [-1, 1].
	std::array<cv::Matx<double, 6, 1>, 3> logField{};
	cv::Size size;
};
