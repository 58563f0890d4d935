#pragma once

#include "colour/LocalWhite.h"
#include "colour/PaperCells.h"
#include "colour/SmoothField.h"

#include <opencv2/core.hpp>

/// The colour that white paper reads across a picture of a board, as the
/// room's light and the camera make it (a cast, an exposure, light falling
/// off across the board, vignetting, shadows, a second lamp, a lamp's
/// glare), and the mapping of the picture to a camera whose paper reads
/// neutral and bright: the ink ranges of the segmentation and the skin range
/// of the hand test hold for such a camera.
///
/// Measured from the picture itself: PaperCells reads the paper cell by cell
/// and tells the cells that show paper from those under a hand or a patch of
/// ink by their edges; a SmoothField is fitted to the paper; the LocalWhite
/// follows the light's departures from it place by place.
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

	/// The first half of `measure`: the paper's cells and the smooth field,
	/// all that normaliseSmoothly needs. followLocalLight completes it.
	static PaperWhite measureSmoothly(const cv::Mat& picture, const cv::Mat& paper, const cv::Mat& fieldPaper = cv::Mat());
	/// The second half of `measure`: the local white spread from the cells,
	/// `paper` the places measureSmoothly was given.
	void followLocalLight(const cv::Mat& paper);

	/// Measure the paper of `picture` where `paper` allows and, unless it
	/// already reads neutral and bright, normalise the picture. A picture
	/// that reads neutral is left exactly as it is. Returns what was measured.
	static PaperWhite readAsNeutral(cv::Mat& picture, const cv::Mat& paper, const cv::Mat& fieldPaper = cv::Mat());

	/// Enough of the picture agreed on a paper colour for the field to hold.
	bool found() const { return m_field.found(); }

	/// The paper reads neutral and bright everywhere, as the colour ranges
	/// expect: a picture that does needs no change, and gets none.
	bool readsNeutral() const;

	/// The paper's local colour (B, G, R) at a pixel of the measured picture.
	cv::Vec3d at(cv::Point2d pixel) const;

	/// The smooth field alone at a pixel: the paper's colour as the room's
	/// light makes it, without shadows and patches of other light.
	cv::Vec3d smoothAt(cv::Point2d pixel) const { return m_field.at(pixel); }

	/// Map the colours of `picture` (the measured one, or another of its size
	/// and light) so that paper reads `referenceWhite` in every channel
	/// everywhere, then take out what the gains made of the camera's colour
	/// noise (balanceColours). Clipped places (clippedPlaces) read the
	/// reference white: their colour is not known, so they are no colour.
	/// Does nothing unless found(); needs the local white (`measure`, or
	/// `measureSmoothly` then `followLocalLight`).
	void normalise(cv::Mat& picture) const;

	/// Map the colours of `picture` as `normalise` does, but by the smooth
	/// field alone: shadows and patches of other light stay, and so does what
	/// covers the board wider than a cell (a hand), which the local white,
	/// spread over every cell that shows no edge, takes for paper. A picture
	/// whose smooth field reads neutral and bright everywhere is left as it is.
	void normaliseSmoothly(cv::Mat& picture) const;

private:
	/// Map `picture` by gains that make `logWhite` (log B, G, R per cell of
	/// PaperCells' grid) read referenceWhite.
	void normaliseBy(cv::Mat& picture, const cv::Mat& logWhite) const;

	PaperCells m_cells;
	SmoothField m_field;
	LocalWhite m_local;
	cv::Size m_size;
};
