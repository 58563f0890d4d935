#include "platform/DesktopScreens.h"

// Xlib names a type Display, as the display seam is named: it is kept to this file.
#include <X11/Xlib.h>

std::vector<cv::Rect> desktopScreens()
{
	::Display* x = XOpenDisplay(nullptr);
	if (x == nullptr)
	{
		return {};
	}
	const int screen = DefaultScreen(x);
	const cv::Rect desktop(0, 0, DisplayWidth(x, screen), DisplayHeight(x, screen));
	XCloseDisplay(x);
	return {desktop};
}
