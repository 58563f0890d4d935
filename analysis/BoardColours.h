#pragma once

#include "colour/PaperWhite.h"

#include <opencv2/core.hpp>

struct RectifiedBoard;

/// Where white paper may show on a rectified board: the whole board but the
/// board's own printed markers and the portal card, each with a margin. 255
/// there, 0 elsewhere; the size of the board's picture.
cv::Mat boardPaperPlaces(const RectifiedBoard& board);

/// The board's colours as the hand test and the segmentation read them: a
/// copy of `board.colour` in which, unless the paper already reads neutral and
/// bright, the colours are mapped so that paper reads the reference white,
/// as a camera in a neutral room would see the board. The board's own
/// pictures keep the camera's colours. `white`, when given, gets what was
/// measured. No picture yet gives an empty one.
cv::Mat normaliseBoardColours(const RectifiedBoard& board, PaperWhite* white = nullptr);

/// The board's colours for the hand test: as normaliseBoardColours reads
/// them, but by the room's smooth light alone (PaperWhite::normaliseSmoothly),
/// so that a hand is not read as paper. `white` is what that measured, or
/// measured here when null.
cv::Mat handTestColours(const RectifiedBoard& board, const PaperWhite* white = nullptr);
