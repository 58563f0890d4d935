#include "platform/WindowDisplay.h"

#include <opencv2/highgui.hpp>

void WindowDisplay::createScreenWindow(const std::string& name, cv::Rect desktop)
{
	if (created[name])
	{
		return;
	}
	created[name] = true;
	// Sized by the program, not by its image, with neither tool bar nor status
	// bar, and any shape: the window is exactly the rectangle, and an image of
	// its size is shown pixel for pixel. Without a window manager nothing adds
	// a frame; with one, the projector's screen is the place for it.
	cv::namedWindow(name, cv::WINDOW_NORMAL | cv::WINDOW_GUI_NORMAL | cv::WINDOW_FREERATIO);
	cv::resizeWindow(name, desktop.width, desktop.height);
	cv::moveWindow(name, desktop.x, desktop.y);
	cv::imshow(name, cv::Mat::zeros(desktop.size(), CV_8UC3));
}
