#pragma once

#include "platform/Display.h"

#include <memory>

/// OpenCV highgui windows on the desktop.
///
/// Windows are auto-sized and without tool bar, so window pixels are image
/// pixels. Without a window manager every window would open at (0, 0) on top of
/// the others, so each is placed at its own spot of a 1920 x 1200 screen.
class WindowDisplay : public Display
{
public:
	~WindowDisplay() override;

	void createWindow(const std::string& name) override;
	/// Defined in ScreenWindow.cpp.
	void createScreenWindow(const std::string& name, cv::Rect desktop) override;
	void show(const std::string& name, const cv::Mat& image) override;
	bool setMouseHandler(const std::string& name, MouseHandler handler) override;
	int waitKey(int delayMs) override;
	bool isHeadless() const override { return false; }

private:
	std::map<std::string, std::unique_ptr<MouseHandler>> handlers;
	std::map<std::string, bool> created;
	int unplacedWindows = 0;
};
