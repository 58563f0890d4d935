#pragma once

#include "analysis/InkLayers.h"

class Display;

/// Contours of the black mask into `ink.blackContours`, drawn into
/// `ink.contourImage`, which "cont" shows.
void extractBlackContours(InkLayers& ink, Display& display);

/// Contours of the yellow mask into `ink.yellowContours`.
void extractColourContours(InkLayers& ink);

/// Clear every pixel of `mask` outside a rectangle (board pixels, truncated
/// to whole pixels); an empty mask stays empty.
void cropToRect(cv::Mat& mask, float left, float top, float width, float height);
