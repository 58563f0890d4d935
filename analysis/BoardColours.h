#pragma once

#include "colour/PaperWhite.h"

#include <opencv2/core.hpp>

class BoardScanner;

/// Where white paper may show on the rectified board of the last scan: the
/// whole board but the board's own printed markers and the portal card, each
/// with a margin. 255 there, 0 elsewhere; board-sized.
cv::Mat boardPaperPlaces(const BoardScanner& scanner);

/// Measure the paper of the last scan's rectified board and, unless it
/// already reads neutral and bright, map `warpedColor` so that paper reads the
/// reference white: the hand test and the segmentation then see the board as
/// a camera in a neutral room would. What the views show (`warpedSnapshot`,
/// `warpedGray`) keeps the camera's own colours. Returns what was measured.
PaperWhite normaliseBoardColours(BoardScanner& scanner);
