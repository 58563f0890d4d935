#pragma once

#include <opencv2/core.hpp>

#include <array>
#include <vector>

class PaperCells;

/// The paper's colour across a picture of a board as the room's light makes
/// it, without shadows and patches of other light: per channel the
/// exponential of a quadratic in x and y, so light falling off across the
/// board and vignetting are part of it. Fitted to blocks of paper (32 pixels
/// on a side, each read as the mean of its brightest quarter of places, so
/// that ink stays below it), starting from the blocks near their median and
/// leaving out the blocks that disagree until the fit holds; it carries the
/// paper's colour under what covers the board far from any paper.
class SmoothField
{
public:
	SmoothField() = default;

	/// Fit to the places of `picture` (8-bit BGR) that `paper` marks (8-bit,
	/// non-zero where paper may show) and that lie in no covered cell of
	/// `cells`. Places reading pure black (outside the camera's view) are
	/// never paper.
	static SmoothField fit(const cv::Mat& picture, const cv::Mat& paper, const PaperCells& cells);

	/// Enough blocks agreed on a paper colour for the field to hold.
	bool found() const { return m_blocksUsed >= minimumBlocks; }
	/// Natural logarithm of the field's B, G and R at a pixel of the picture.
	cv::Vec3d logAt(cv::Point2d pixel) const;
	/// The field's B, G and R at a pixel of the picture.
	cv::Vec3d at(cv::Point2d pixel) const;

private:
	/// A field needs this many blocks of paper (a 20 x 15 grid on a board) to
	/// be trusted: four for each of the quadratic's six terms, so that no one
	/// block steers it.
	static constexpr int minimumBlocks = 24;

	struct Block
	{
		cv::Point2d centre;
		cv::Vec3d logColour;
	};

	/// Least squares over the blocks `used` marks, all three channels at once.
	void fitTo(const std::vector<Block>& blocks, const std::vector<bool>& used);
	/// Per block, its largest miss of the field over the three channels.
	std::vector<double> missesOf(const std::vector<Block>& blocks) const;

	/// Per channel, the quadratic of log paper colour in the picture's
	/// coordinates scaled to [-1, 1].
	std::array<cv::Matx<double, 6, 1>, 3> m_logField{};
	cv::Size m_size;
	/// Blocks of paper that agreed with the field.
	int m_blocksUsed = 0;
};
