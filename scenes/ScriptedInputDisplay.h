#pragma once

#include "platform/Display.h"
#include "scenes/SceneScript.h"

#include <memory>

/// A display that adds a scene's key presses and mouse clicks to what the user
/// does: every waitKey is one pass of the main loop, and in the passes the
/// scene names it delivers the scene's mouse events to the window handlers and
/// its key in place of none. Everything else goes to the display it wraps.
class ScriptedInputDisplay : public Display
{
public:
	ScriptedInputDisplay(std::unique_ptr<Display> inner, SceneScript script);

	void createWindow(const std::string& name) override { inner->createWindow(name); }
	void createScreenWindow(const std::string& name, cv::Rect desktop) override
	{
		inner->createScreenWindow(name, desktop);
	}
	void show(const std::string& name, const cv::Mat& image) override;
	bool setMouseHandler(const std::string& name, MouseHandler handler) override;
	int waitKey(int delayMs) override;
	bool isClosed(const std::string& name) const override { return inner->isClosed(name); }
	bool isHeadless() const override { return inner->isHeadless(); }

private:
	void deliver(const SceneInput& input);

	std::unique_ptr<Display> inner;
	SceneScript script;
	std::map<std::string, MouseHandler> handlers;
	int passCount = 0;
};
