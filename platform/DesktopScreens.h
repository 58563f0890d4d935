#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// The screens of the desktop the windows open on, as rectangles of it. highgui
/// does not tell; X does, on a connection of its own: the root window, which
/// spans every monitor of the desktop. Empty without an X display.
std::vector<cv::Rect> desktopScreens();
