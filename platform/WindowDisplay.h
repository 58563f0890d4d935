#pragma once

#include "platform/Display.h"

#include <memory>

/// OpenCV highgui windows on the desktop.
///
/// Windows are auto-sized and without tool bar, so window pixels are image
/// pixels. Without a window manager every window would open at (0, 0) on top of
/// the others, so each is placed at its own spot of a 1920 x 1200 screen. A
/// window the user closed opens again, at its spot and with its mouse handler,
/// when it is next shown an image.
class WindowDisplay : public Display
{
public:
	~WindowDisplay() override;

	void createWindow(const std::string& name) override;
	void createScreenWindow(const std::string& name, cv::Rect desktop) override;
	void show(const std::string& name, const cv::Mat& image) override;
	bool setMouseHandler(const std::string& name, MouseHandler handler) override;
	int waitKey(int delayMs) override;
	bool isClosed(const std::string& name) const override;
	bool isHeadless() const override { return false; }
	/// Open window `name` at `place` of the desktop rather than at its usual
	/// spot (before it is created).
	void placeAt(const std::string& name, cv::Point place);
	/// The X display's root window, which spans every monitor of the desktop;
	/// empty without an X display.
	std::vector<cv::Rect> screens() const override;

private:
	void open(const std::string& name);
	cv::Point placeOf(const std::string& name);

	std::map<std::string, std::unique_ptr<MouseHandler>> handlers;
	/// Where each window created so far goes.
	std::map<std::string, cv::Point> places;
	/// Places asked for with placeAt.
	std::map<std::string, cv::Point> askedPlaces;
	/// Windows that fill a rectangle of the desktop, whatever their image.
	std::map<std::string, cv::Rect> screenWindows;
	int unplacedWindows = 0;
};
