#pragma once

#include <opencv2/core.hpp>

/// Zhang-Suen thinning of a 0/255 single-channel mask, in place: strokes are
/// peeled from both sides until they are one pixel wide, keeping their middle
/// line and their connections. Pixels of the outermost rows and columns are
/// never removed. An empty mask is left as it is.
void thinMask(cv::Mat& mask);

/// One half of a Zhang-Suen pass on a 0/1 image, in place. Sub-iteration 0
/// removes pixels on the south-east side of strokes, 1 those on the north-west
/// side. Every decision is taken on the image as it was before the call.
void thinningSubIteration(cv::Mat& image, int subIteration);
