#include "platform/HeadlessDisplay.h"

void HeadlessDisplay::createWindow(const std::string& name)
{
	windows.insert(name);
}

void HeadlessDisplay::show(const std::string& name, const cv::Mat& image)
{
	windows.insert(name);
	if (!image.empty())
	{
		closed.erase(name);
		remember(name, image);
	}
}

bool HeadlessDisplay::setMouseHandler(const std::string& name, MouseHandler handler)
{
	if (!hasWindow(name))
	{
		return false;
	}
	handlers[name] = std::move(handler);
	return true;
}

int HeadlessDisplay::waitKey(int delayMs)
{
	(void)delayMs;
	while (!mouseEvents.empty())
	{
		const MouseEvent e = mouseEvents.front();
		mouseEvents.pop_front();
		const auto handler = handlers.find(e.window);
		if (handler != handlers.end())
		{
			handler->second(e.event, e.x, e.y, e.flags);
		}
	}
	for (const std::string& window : closing)
	{
		if (hasWindow(window))
		{
			closed.insert(window);
		}
	}
	closing.clear();
	if (keys.empty())
	{
		return -1;
	}
	const int code = keys.front();
	keys.pop_front();
	return code;
}

void HeadlessDisplay::pushMouse(const std::string& window, int event, int x, int y, int flags)
{
	mouseEvents.push_back(MouseEvent{window, event, x, y, flags});
}

void HeadlessDisplay::pushKey(int code)
{
	keys.push_back(code);
}

void HeadlessDisplay::pushClose(const std::string& window)
{
	closing.insert(window);
}
