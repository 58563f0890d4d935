#pragma once

#include <opencv2/core.hpp>

/// 0/255 mask of the skin-coloured pixels of a BGR image, of its size. An
/// empty image gives an empty mask.
cv::Mat skinMask(cv::Mat image);

/// The share of the image's pixels that are skin-coloured, 0 to 1; 0 for an
/// empty image.
double skinShare(cv::Mat image);

/// True when skin colour covers enough of the board image (a mean mask value
/// above 10 of 255, about 3.9 % of the pixels) that a hand is probably over
/// the drawing. An empty image shows no hand.
bool handInView(cv::Mat image);
