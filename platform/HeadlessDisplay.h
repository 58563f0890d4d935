#pragma once

#include "platform/Display.h"

#include <deque>
#include <set>

/// A display without a screen: it keeps each window's last image and takes its
/// mouse events and key presses from the caller, who queues them between passes.
class HeadlessDisplay : public Display
{
public:
	void createWindow(const std::string& name) override;
	void show(const std::string& name, const cv::Mat& image) override;
	bool setMouseHandler(const std::string& name, MouseHandler handler) override;

	/// Delivers every queued mouse event in order, closes the windows queued
	/// for closing, then pops one queued key.
	int waitKey(int delayMs) override;

	bool isClosed(const std::string& name) const override { return closed.count(name) != 0; }

	bool isHeadless() const override { return true; }

	/// Queue a mouse event for a window; it is delivered by the next waitKey.
	void pushMouse(const std::string& window, int event, int x, int y, int flags = 0);

	/// Queue a key press; each waitKey returns at most one.
	void pushKey(int code);

	/// Queue the user closing a window; the next waitKey closes it.
	void pushClose(const std::string& window);

	bool hasWindow(const std::string& name) const { return windows.count(name) != 0; }

private:
	struct MouseEvent
	{
		std::string window;
		int event;
		int x;
		int y;
		int flags;
	};

	std::set<std::string> windows;
	std::map<std::string, MouseHandler> handlers;
	std::deque<MouseEvent> mouseEvents;
	std::deque<int> keys;
	std::set<std::string> closing;
	std::set<std::string> closed;
};
