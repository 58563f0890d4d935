#pragma once

#include <opencv2/core.hpp>

/// Close the small gaps a hand leaves in a drawn ring. In a thinned 0/255
/// mask, every line end (a pixel with one neighbour, or two that touch) is joined by a straight line to the nearest other
/// end within `maxGap` pixels, when the two ends belong to different lines,
/// or to one line that runs a long way round between them (an arc whose ends
/// nearly meet, not a short line or a spur beside a tip). A mask
/// without line ends (closed rings only) is left exactly as it is. Returns
/// the number of gaps closed.
int closeSmallGaps(cv::Mat& skeleton, double maxGap);

/// Fill the pinholes a camera's noise leaves inside a stroke of a 0/255 mask:
/// holes of at most `maxArea` pixels. Thinning would turn each into a little
/// loop, and a loop at the end of a line hides the end from closeSmallGaps.
/// Returns the number of holes filled.
int fillPinholes(cv::Mat& mask, double maxArea);
