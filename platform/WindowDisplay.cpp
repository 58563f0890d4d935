#include "platform/WindowDisplay.h"

#include "platform/DesktopScreens.h"

#include <opencv2/highgui.hpp>

namespace
{

struct WindowPlace
{
	const char* name;
	int x;
	int y;
};

/// "game" at the top left, the camera views beside it, the analysis views
/// below, and the players' view in the corner left (640 wide).
constexpr WindowPlace windowPlaces[] = {
	{"game", 0, 0},
	{"normal", 640, 0},
	{"warped", 1280, 0},
	{"cont", 0, 520},
	{"skewbinary", 640, 520},
	{"play", 1280, 520},
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
	if (places.count(name) == 0)
	{
		open(name);
	}
}

void WindowDisplay::show(const std::string& name, const cv::Mat& image)
{
	createWindow(name);
	if (image.empty())
	{
		return;  // highgui refuses empty images; the window keeps what it showed
	}
	// highgui would open a closed window again by itself, but with its tool
	// bar, at (0, 0) and without the mouse handler.
	if (isClosed(name))
	{
		open(name);
	}
	cv::imshow(name, image);
	remember(name, image);
}

void WindowDisplay::createScreenWindow(const std::string& name, cv::Rect desktop)
{
	if (places.count(name) != 0)
	{
		return;
	}
	places[name] = desktop.tl();
	screenWindows[name] = desktop;
	open(name);
	cv::imshow(name, cv::Mat::zeros(desktop.size(), CV_8UC3));
}

void WindowDisplay::placeAt(const std::string& name, cv::Point place)
{
	askedPlaces[name] = place;
}

std::vector<cv::Rect> WindowDisplay::screens() const
{
	return desktopScreens();
}

bool WindowDisplay::setMouseHandler(const std::string& name, MouseHandler handler)
{
	if (places.count(name) == 0)
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

bool WindowDisplay::isClosed(const std::string& name) const
{
	// A closed window is gone from highgui, which then reports it invisible
	// (0); a back end that cannot tell says -1, and its windows stay open.
	return places.count(name) != 0 && cv::getWindowProperty(name, cv::WND_PROP_VISIBLE) == 0.0;
}

void WindowDisplay::open(const std::string& name)
{
	const auto screen = screenWindows.find(name);
	if (screen != screenWindows.end())
	{
		// Sized by the program, not by its image, with neither tool bar nor
		// status bar, and any shape: the window is exactly the rectangle, and
		// an image of its size is shown pixel for pixel. Without a window
		// manager nothing adds a frame; with one, the projector's screen is
		// the place for it.
		cv::namedWindow(name, cv::WINDOW_NORMAL | cv::WINDOW_GUI_NORMAL | cv::WINDOW_FREERATIO);
		cv::resizeWindow(name, screen->second.width, screen->second.height);
	}
	else
	{
		cv::namedWindow(name, cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL);
	}
	const cv::Point place = placeOf(name);
	cv::moveWindow(name, place.x, place.y);
	const auto handler = handlers.find(name);
	if (handler != handlers.end())
	{
		cv::setMouseCallback(name, forwardMouse, handler->second.get());
	}
}

cv::Point WindowDisplay::placeOf(const std::string& name)
{
	const auto known = places.find(name);
	if (known != places.end())
	{
		return known->second;
	}
	const auto asked = askedPlaces.find(name);
	if (asked != askedPlaces.end())
	{
		return places[name] = asked->second;
	}
	for (const WindowPlace& fixed : windowPlaces)
	{
		if (name == fixed.name)
		{
			return places[name] = cv::Point(fixed.x, fixed.y);
		}
	}
	// Windows not in the table go down the right-hand column.
	return places[name] = cv::Point(1280, 520 + 40 * unplacedWindows++);
}
