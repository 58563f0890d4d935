#pragma once

#include "analysis/InkLayers.h"

class Display;

/// Split `ink.colours` into the black, red and yellow ink masks (the colour
/// ranges of analysis/ColourRanges.h) and thin the black and yellow ones to
/// lines one pixel wide, so that the contour search follows the middle of
/// each stroke; small gaps in yellow rings are closed. "skewbinary" shows the
/// black mask before thinning. No colours (no board yet) give empty masks.
void segmentColours(InkLayers& ink, Display& display);
