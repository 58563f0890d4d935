#include "platform/WindowDisplay.h"

#include <opencv2/highgui.hpp>

namespace
{

struct WindowPlace
{
	const char* name;
	int x;
	int y;
};

/// "game" at the top left, the camera views beside it, the analysis views below.
constexpr WindowPlace windowPlaces[] = {
	{"game", 0, 0},
	{"normal", 640, 0},
	{"warped", 1280, 0},
	{"cont", 0, 520},
	{"skewbinary", 640, 520},
};

void forwardMouse(int event, int x, int y, int flags, void* userdata)
{
	(*static_cast<Display::MouseHandler*>(userdata))(event, x, y, flags);
}

}  // namespace

WindowDisplay::~WindowDisplay()
{
	cv::destroyAllWindows();
}

void WindowDisplay::createWindow(const std::string& name)
{
	if (created[name])
	{
		return;
	}
	created[name] = true;
	cv::namedWindow(name, cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL);
	for (const WindowPlace& place : windowPlaces)
	{
		if (name == place.name)
		{
			cv::moveWindow(name, place.x, place.y);
			return;
		}
	}
	// Windows not in the table go down the right-hand column.
	cv::moveWindow(name, 1280, 520 + 40 * unplacedWindows++);
}

void WindowDisplay::show(const std::string& name, const cv::Mat& image)
{
	createWindow(name);
	if (image.empty())
	{
		return;  // highgui refuses empty images; the window keeps what it showed
	}
	cv::imshow(name, image);
	remember(name, image);
}

bool WindowDisplay::setMouseHandler(const std::string& name, MouseHandler handler)
{
	if (!created[name])
	{
		return false;
	}
	auto& slot = handlers[name];
	slot = std::make_unique<MouseHandler>(std::move(handler));
	cv::setMouseCallback(name, forwardMouse, slot.get());
	return true;
}

int WindowDisplay::waitKey(int delayMs)
{
	return cv::waitKey(delayMs);
}
