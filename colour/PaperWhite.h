#pragma once

#include <opencv2/core.hpp>

#include <array>

class PaperCells;

/// The colour that white paper reads across a picture of a board, as the
/// room's light and the camera make it: a cast, an exposure, light falling
/// off across the board, vignetting, and the light that changes from place to
/// place in a home: the shadow of an arm or a head, a second lamp of another
/// colour beside the window's light, a lamp's glare. The ink ranges of the
/// segmentation and the skin range of the hand test hold for a camera whose
/// paper reads neutral and bright; `normalise` maps any other picture to such
/// a camera's.
///
/// Measured from the picture itself in two steps. PaperCells reads the paper
/// cell by cell (8 pixels on a side) and tells the cells that show paper
/// from those under a hand or a patch of ink by their edges. A smooth field,
/// the exponential of a quadratic in x and y per channel, is fitted to the
/// paper cells, starting from the cells near their median and leaving out the
/// cells that disagree until the fit holds: light falling off across the
/// board and vignetting are part of it, and it carries the paper's colour
/// under what covers the board far from any paper. What each paper cell adds
/// to the field (a shadow, a patch of other light) is kept as it is and
/// spread from the paper cells over the covered and clipped ones, within
/// bounds that no light gives: that is the paper's local white.
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
	/// view) are never paper. The smooth field is fitted to the places
	/// `fieldPaper` marks when given (of them, those `paper` marks too): paper
	/// read locally but left out of the field, such as a loose sheet on the
	/// board whose white may not be the board's.
	static PaperWhite measure(const cv::Mat& picture, const cv::Mat& paper, const cv::Mat& fieldPaper = cv::Mat());

	/// Enough cells agreed on a paper colour for the field to hold.
	bool found() const { return cellsUsed >= minimumCells; }

	/// The paper reads neutral and bright everywhere, as the colour ranges
	/// expect: a picture that does needs no change, and gets none.
	bool readsNeutral() const;

	/// The paper's local colour (B, G, R) at a pixel of the measured picture.
	cv::Vec3d at(cv::Point2d pixel) const;

	/// The smooth field alone at a pixel: the paper's colour as the room's
	/// light makes it, without shadows and patches of other light.
	cv::Vec3d smoothAt(cv::Point2d pixel) const;

	/// Map the colours of `picture` (the measured one, or another of its size
	/// and light) so that paper reads `referenceWhite` in every channel
	/// everywhere, then take out what the gains made of the camera's colour
	/// noise (balanceColours). Clipped places (clippedPlaces) read the
	/// reference white: their colour is not known, so they are no colour.
	/// Does nothing unless found().
	void normalise(cv::Mat& picture) const;

	/// Map the colours of `picture` as `normalise` does, but by the smooth
	/// field alone: shadows and patches of other light stay, and so does what
	/// covers the board wider than a cell (a hand), which the local white,
	/// spread over every cell that shows no edge, takes for paper. A picture
	/// whose smooth field reads neutral and bright everywhere is left as it is.
	void normaliseSmoothly(cv::Mat& picture) const;
	/// Measure the paper of `picture` where `paper` allows and, unless it
	/// already reads neutral and bright, normalise the picture. A picture
	/// that reads neutral is left exactly as it is. Returns what was measured.
	static PaperWhite readAsNeutral(cv::Mat& picture, const cv::Mat& paper, const cv::Mat& fieldPaper = cv::Mat());

	/// Blocks of cells that agreed with the smooth field, and cells that showed paper at all.
	int cellsUsed = 0;
	int cellsMeasured = 0;

private:
	/// A field needs this many blocks of paper cells (32 pixels on a side, a
	/// 20 x 15 grid on a board) to be trusted: four for each of the
	/// quadratic's six terms, so that no one block steers it.
	static constexpr int minimumCells = 24;

	void fitSmoothField(const cv::Mat& picture, const cv::Mat& paper, const PaperCells& cells);
	void spreadLocalWhite(const PaperCells& cells, const cv::Mat& paper);
	/// Map `picture` by gains that make `logWhite` (log B, G, R per cell of
	/// PaperCells' grid) read referenceWhite.
	void normaliseBy(cv::Mat& picture, const cv::Mat& logWhite) const;

	/// Per channel, the quadratic of log paper colour in the picture's
	/// coordinates scaled to [-1, 1].
	std::array<cv::Matx<double, 6, 1>, 3> logField{};
	/// Per cell of PaperCells' grid, log B, G, R of the local white (CV_32FC3).
	cv::Mat localLog;
	cv::Size size;
};
