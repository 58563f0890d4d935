#pragma once

#include <opencv2/core.hpp>

/// The hand test's reading of outlines (see HandWatch), on the board's
/// picture at the test's reduced scale in YCrCb. Light changes softly across
/// the paper, over 15 board pixels and more, and a lamp or a light of another
/// colour can tint a large region warm or dark; a thing lying on the board has
/// an outline.
namespace handOutline
{

/// Darker than this (luma, paper near 240) is dark: the skin of the darkest
/// steps (about 35 to 50, a little more on palms and fingertips) and black ink
/// are below it, the soft shadow a hand casts (20 to 50 % darker than paper)
/// is above it.
inline constexpr int darkLimit = 100;

/// Side of the square that the opening keeps, in reduced pixels: 7 is 14 board
/// pixels, wider than a broad marker's line (about 10) and narrower than a
/// child's finger (about 18). Rings, strokes and their crossings go; hands,
/// forearms and filled areas stay.
inline constexpr int wideSide = 7;

/// What can be known of outlines on a board.
struct OutlineView
{
	/// Nothing is known of an outline here (255), and it counts neither way:
	/// along the picture's edge and beside what the test leaves out (the
	/// markers, the card, what the camera did not see), which cut a region
	/// off, and beside pen lines, which are drawing, not a thing's edge.
	cv::Mat hidden;
	/// Paper in a shadow lies beside it (255): a soft step here may be a
	/// thing's rim as dark as its own shadow.
	cv::Mat besideShadow;
};

/// The view of `ycrcb` (CV_8UC3), where `candidates` marks what may be a hand
/// and `leftOut` what the test leaves out (255 each).
OutlineView outlineView(const cv::Mat& ycrcb, const cv::Mat& candidates, const cv::Mat& leftOut);

/// The regions of `mask` with a thing's outline, 255 in a mask of its size: at
/// least half of the points of a region's outer border that can be seen have
/// a sharp step beside them, soft points beside a shadow left out. Of a
/// region that has not, the outlined pieces count, cut along its steep
/// places: a hand in a lamp's warm light is one region with the light. A
/// piece of fewer than `leastCells` cells is not looked at.
cv::Mat outlinedRegions(const cv::Mat& mask, const cv::Mat& ycrcb, const OutlineView& view, int leastCells);

/// The regions of `mask` (8-connected) that reach into `zone`, 255 in a mask of its size.
cv::Mat regionsReaching(const cv::Mat& mask, const cv::Mat& zone);

}  // namespace handOutline
