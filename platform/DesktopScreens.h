#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

/// The screens of the desktop the windows open on, as rectangles of it. highgui
/// does not tell; X does, on a connection of its own: the root window, which
/// spans every monitor of the desktop. Empty without an X display.
std::vector<cv::Rect> desktopScreens();

/// Why no window can open, in a few words ("DISPLAY is not set", "cannot
/// connect to the display :5"); empty when one can. The toolkit that shows
/// the windows ends the program outright when it cannot reach the window
/// system, so the program asks first, as it would: X's display, or, with no X
/// display named, a Wayland one (which the toolkit is then told to use). A
/// toolkit platform chosen by hand (QT_QPA_PLATFORM other than X's) is left to it.
std::string windowSystemProblem();
