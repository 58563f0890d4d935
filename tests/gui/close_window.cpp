// close_window WINDOW_ID: asks an X window to close, as a window manager does
// when its close button is clicked: a WM_DELETE_WINDOW message of the
// WM_PROTOCOLS kind. The window's program decides what closing means.

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
	if (argc != 2)
	{
		std::fprintf(stderr, "usage: close_window WINDOW_ID\n");
		return 2;
	}
	Display* display = XOpenDisplay(nullptr);
	if (display == nullptr)
	{
		std::fprintf(stderr, "close_window: cannot open the display\n");
		return 1;
	}
	const Window window = std::strtoul(argv[1], nullptr, 0);
	XEvent event = {};
	event.xclient.type = ClientMessage;
	event.xclient.window = window;
	event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
	event.xclient.format = 32;
	event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
	event.xclient.data.l[1] = CurrentTime;
	const bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
	XCloseDisplay(display);
	if (!sent)
	{
		std::fprintf(stderr, "close_window: cannot send to window %s\n", argv[1]);
		return 1;
	}
	return 0;
}
