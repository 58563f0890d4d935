#pragma once

#include <opencv2/core.hpp>

class PaperCells;
class SmoothField;

/// The paper's white place by place: the smooth field with what light does
/// to it here and there, the shadow of an arm or a head, a second lamp of
/// another colour beside the window's light, a lamp's glare. What each paper
/// cell of PaperCells adds to the field is kept as it is and spread from the
/// paper cells over the covered and unseen ones, within bounds that no light
/// gives: under a hand it is the light of the paper round the hand, and on
/// evenly lit paper the field itself.
class LocalWhite
{
public:
	LocalWhite() = default;

	/// Spread what the paper cells of `cells` depart from `field` over the
	/// whole grid. `paper` (8-bit, the picture's size) marks where paper may
	/// show: what it leaves out (a printed code, the portal card) gets the
	/// level of the light round it, not its colour.
	static LocalWhite spread(const SmoothField& field, const PaperCells& cells, const cv::Mat& paper);

	/// Nothing spread (the field did not hold).
	bool empty() const { return m_logWhite.empty(); }
	/// Per cell of PaperCells' grid, the natural logarithm of the local
	/// white's B, G and R (32-bit float, three channels).
	const cv::Mat& logGrid() const { return m_logWhite; }
	/// The local white's B, G and R at a pixel of the picture, bilinear
	/// between the cells' centres and held beyond the outer ones.
	cv::Vec3d at(cv::Point2d pixel) const;

private:
	cv::Mat m_logWhite;
};
