#pragma once

#include <opencv2/core.hpp>

/// White balance a board: multiply `picture` (8-bit BGR) in place by `gains`
/// (32-bit float, three channels, its size), which bring paper to the
/// reference white, and take out what the gains make of the camera's own
/// colour flaws. A camera
/// records little of a channel the light is poor in, and the gains amplify
/// its noise with it; compression keeps colour at half resolution, so under a
/// cast the paper's colour bleeds into the dark side of every ink edge, where
/// no gain can undo it. So:
/// - colour (Cr and Cb) is smoothed over a few pixels, as a camera's own
///   noise reduction does; brightness is left sharp;
/// - in the dark, colour fades to grey: black ink reads black;
/// - dark pixels on sharp edges lose as much colour as compression bleeds
///   over such an edge. Bright colours (yellow ink, skin) and colours far
///   from grey (red ink) keep theirs.
void balanceColours(cv::Mat& picture, const cv::Mat& gains);

/// The same, one pixel after another. balanceColours sweeps many pixels at a
/// time where the processor can; this is the reference it is tested against,
/// and both give every pixel the same value.
void balanceColoursPixelByPixel(cv::Mat& picture, const cv::Mat& gains);
