#include "platform/DesktopScreens.h"

#include <cstdlib>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Xlib names a type Display, as the display seam is named: it is kept to this file.
#include <X11/Xlib.h>

namespace
{

std::string environment(const char* name)
{
	const char* value = std::getenv(name);
	return value != nullptr ? value : "";
}

/// A Wayland compositor answers at the socket WAYLAND_DISPLAY names (in
/// XDG_RUNTIME_DIR unless it is a full path).
bool waylandAnswers()
{
	const std::string name = environment("WAYLAND_DISPLAY");
	const std::string folder = environment("XDG_RUNTIME_DIR");
	if (name.empty() || (name[0] != '/' && folder.empty()))
	{
		return false;
	}
	const std::string path = name[0] == '/' ? name : folder + "/" + name;
	sockaddr_un address{};
	if (path.size() >= sizeof address.sun_path)
	{
		return false;
	}
	address.sun_family = AF_UNIX;
	std::strcpy(address.sun_path, path.c_str());
	const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
	if (s < 0)
	{
		return false;
	}
	const bool answered = ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
	::close(s);
	return answered;
}

}  // namespace

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

std::string windowSystemProblem()
{
	const std::string platform = environment("QT_QPA_PLATFORM");
	if (!platform.empty() && platform.find("xcb") == std::string::npos)
	{
		return std::string();
	}
	const std::string display = environment("DISPLAY");
	if (display.empty())
	{
		if (platform.empty() && waylandAnswers())
		{
			// A desktop with Wayland alone: the toolkit would look for X.
			setenv("QT_QPA_PLATFORM", "wayland", 1);
			return std::string();
		}
		return "DISPLAY is not set";
	}
	::Display* x = XOpenDisplay(nullptr);
	if (x == nullptr)
	{
		return "cannot connect to the display " + display;
	}
	XCloseDisplay(x);
	return std::string();
}
