#pragma once

#include <opencv2/core.hpp>

/// The fine dark lines of a board's colours (8-bit YCrCb, paper read as the
/// reference white): lines up to 4 pixels wide, at least fineLineContrast
/// darker than the paper round them and without colour
/// (analysis/ColourRanges.h), that blackInk misses because the camera's blur
/// leaves a fine pen lighter than black. A place counts when it lies at the
/// bottom of a valley across the line (both sides two pixels away are
/// brighter), so the soft edges of a wide stroke do not widen it. What it
/// adds to `black` (the places blackInk takes, 0/255) is kept where it makes
/// a line of at least `shortestFineLine` places of its own, so that noise
/// amplified in a shadow, paper grain and compression blocks make no line,
/// or where it joins black that is apart where it lies: two pieces, as a
/// marker running dry leaves them, or the two ends of a ring drawn by hand
/// that do not quite meet, one piece joined only the long way round. Specks
/// at the tips and sides of black strokes are not kept. Returns the places
/// to add, 0/255, the picture's size.
cv::Mat fineDarkLines(const cv::Mat& ycrcb, const cv::Mat& black);

constexpr int shortestFineLine = 15;
