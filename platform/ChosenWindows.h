#pragma once

#include "platform/Display.h"

#include <memory>
#include <set>

/// A display that puts only the chosen windows on the screen (and every
/// window that fills a rectangle of the desktop, such as a projector's
/// picture). The others are still drawn and kept, unseen: the snapshots and
/// the video show them as ever. Everything else goes to the display it wraps.
class ChosenWindows : public Display
{
public:
	ChosenWindows(std::unique_ptr<Display> inner, std::set<std::string> shown);

	void createWindow(const std::string& name) override;
	void createScreenWindow(const std::string& name, cv::Rect desktop) override;
	void show(const std::string& name, const cv::Mat& image) override;
	/// False, attaching nothing, for a window kept off the screen: nobody can click in it.
	bool setMouseHandler(const std::string& name, MouseHandler handler) override;
	int waitKey(int delayMs) override { return m_inner->waitKey(delayMs); }
	bool isClosed(const std::string& name) const override { return onScreen(name) && m_inner->isClosed(name); }
	bool isHeadless() const override { return m_inner->isHeadless(); }
	std::vector<cv::Rect> screens() const override { return m_inner->screens(); }

private:
	bool onScreen(const std::string& name) const { return m_shown.count(name) != 0; }

	std::unique_ptr<Display> m_inner;
	std::set<std::string> m_shown;
};
