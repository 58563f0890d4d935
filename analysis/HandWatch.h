#pragma once

#include <opencv2/core.hpp>

struct RectifiedBoard;

/// What the hand test made of one board.
struct HandSighting
{
	/// A hand is over the board: the rescan waits for it to go.
	bool seen = false;
	/// The share of the board the hand covers, 0 to 1: its skin-coloured
	/// pixels and the dark parts of it that the drawing does not explain.
	double share = 0.0;
	/// What looked like a hand has lain just so through HandWatch's
	/// settledSightings scans in a row, so it is read as drawing (a large
	/// filled area drawn out to the board's edge): `seen` is false.
	bool settled = false;
};

/// The hand test of the rescans. Skin colour finds the hands of most skin
/// tones, but the darkest skin reads like black ink, and the fingertips of
/// any hand are too small a share of the board to tell from a few skin-
/// coloured pixels. So a hand is also found by what else it is: a region that
/// is dark, skin-coloured or (the palest skin) warm, much wider than any pen
/// line, outlined (light changes softly, a hand has an edge), that comes in
/// across the edge of the board's picture, and that was not in the drawing of
/// the last board the rescan read. Skin colour alone counts only on such
/// wide, outlined regions.
///
/// It remembers that drawing, so one watch serves the rescans of one table:
/// every board it finds no hand on becomes the drawing the next is held to.
/// A hand is never quite still: what looks like one but lies just so through
/// settledSightings scans in a row is drawing after all.
class HandWatch
{
public:
	/// Scans in a row that see the same region before it counts as drawing:
	/// a held-back scan is tried again after each still period of the
	/// rescan's (half a second at 30 frames a second), so about ten seconds.
	static constexpr int settledSightings = 20;

	/// Look for a hand on `colours`, the picture of `board` read as a neutral
	/// room shows it (paper near PaperWhite::referenceWhite). The board gives
	/// where its printed markers and the portal card lie, which are dark but
	/// no hand, and `board.grey` where the camera saw nothing (pure black).
	/// An empty picture shows no hand and changes nothing.
	HandSighting look(const cv::Mat& colours, const RectifiedBoard& board);

private:
	/// The wide, outlined dark or skin-coloured regions of the last board on
	/// which no hand was seen, at the test's reduced scale.
	cv::Mat drawn;
	/// The region seen as a hand at the last scan, and in how many scans in
	/// a row it lay just so.
	cv::Mat lastSighted;
	int sameSightings = 0;
};
