#pragma once

#include "markers/BoardSheet.h"

#include <opencv2/core.hpp>

class SyntheticBoardCamera;

/// The ten steps of a skin tone scale used in testing cameras for fairness,
/// lightest first, as sRGB swatches (here in BGR order).
inline const cv::Scalar skinToneScale[10] = {{228, 237, 246}, {219, 231, 243}, {208, 234, 247}, {186, 218, 234},
	{150, 189, 215}, {86, 126, 160}, {67, 92, 130}, {52, 65, 96}, {42, 49, 58}, {32, 36, 41}};

enum class HandShape
{
	Whole,    ///< palm, fingers, thumb and the forearm
	Fingers,  ///< the four fingers alone, the rest of the hand out of the picture
	Child     ///< a child's whole hand and forearm, about 60 % of a grown-up's
};

/// How the scene's hand looks. The defaults are the hand of every older scene:
/// one flat colour, well inside the skin range, the arm in from the bottom.
struct HandLook
{
	/// The back of the hand's colour, BGR, on the scale of white paper at 255.
	cv::Scalar skin = cv::Scalar(90, 130, 200);
	HandShape shape = HandShape::Whole;
	/// The board's edge the arm comes in across, degrees: 0 the right edge, 90
	/// the top, 180 the left, 270 the bottom (a little from the right, as the
	/// old hand).
	double from = 270.0;
	/// Shaded as a real hand: the back darker towards its edges than in its
	/// middle, the nails lighter.
	bool shaded = false;
	/// Its own shadow on the paper, a little beside it: the share of light it
	/// takes (0: none).
	double shadow = 0.0;
	/// The shadow's soft edge, board pixels from 10 % to 90 % of its
	/// darkness; 0 for a lamp over the table, about 20 for a grown-up's hand
	/// and 12 for a child's.
	double shadowSoft = 0.0;
	/// Where the shadow lies from the hand, board pixels: down and right, a
	/// lamp at the top left.
	cv::Point2f shadowOffset = cv::Point2f(14.0f, 10.0f);
};

/// Paint a hand on a sheet, its palm at `palm` (board pixels); `geometry` is
/// a camera over that sheet, which knows where board pixels lie on it. A hand
/// with a shadow darkens the paper round it before it is painted.
void drawHand(SheetImage& sheet, const SyntheticBoardCamera& geometry, cv::Point2f palm,
	const HandLook& look = HandLook());
