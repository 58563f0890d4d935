#pragma once

#include "analysis/InkLayers.h"

#include <vector>

/// A rough pen line (a camera's sharpening, a dim room's grain) thins into a
/// line that wanders a pixel or two and leaves little loops round the specks
/// inside it; every piece of it lies within about a pen's width of the line
/// its ring's border follows. Board pixels.
constexpr double ringBorderReach = 6.0;

/// Every point of `contour`, and of the straight runs between its points,
/// lies within ringBorderReach of the line of `ring`: the contour is a piece
/// of that ring's own border, not a stroke drawn beside or across it.
bool liesAlongRing(const Contour& contour, const Contour& ring);

/// Sets the flag in `ownBorder` of every contour that lies along one of
/// `rings`, or along a contour whose flag was already set (another border of
/// a ring that holds its ball). A flagged contour never becomes a wall.
void flagRingBorders(const std::vector<Contour>& contours, std::vector<const Contour*> rings,
	std::vector<bool>& ownBorder);
