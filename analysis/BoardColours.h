#pragma once

#include "colour/PaperWhite.h"

#include <opencv2/core.hpp>

#include <future>

struct RectifiedBoard;

/// What of the portal card is left out of the paper: its printed code alone
/// (the card's white round it is paper, and the local white is read there, so
/// that a shadow or a lamp's edge running onto the card is measured), or the
/// whole card (the room's smooth field, fitted to the board's own paper since
/// the loose card's white may not be the board's, and the hand test, for
/// which the card's edge and print are never part of a hand).
enum class CardLeftOut
{
	Code,
	Whole
};

/// Where white paper may show on a rectified board: the whole board but the
/// board's own printed markers and the portal card's code or the whole card,
/// each with a margin. 255 there, 0 elsewhere; the size of the board's picture.
cv::Mat boardPaperPlaces(const RectifiedBoard& board, CardLeftOut card = CardLeftOut::Code);

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

/// The two pictures a rescan reads, from one measurement of the paper: the
/// hand test's (handTestColours), ready at once, and the segmentation's
/// (normaliseBoardColours), made meanwhile on a thread of its own, so that
/// the hand test need not wait for it.
struct ScanColours
{
	cv::Mat handTest;
	std::future<cv::Mat> ink;
};

/// Both of a board's pictures, as the two calls above make them.
ScanColours scanColours(const RectifiedBoard& board);

/// Both pictures as the camera saw them: the board's own colours.
ScanColours camerasColours(const RectifiedBoard& board);
