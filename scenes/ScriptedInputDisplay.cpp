#include "scenes/ScriptedInputDisplay.h"

#include <opencv2/highgui.hpp>

ScriptedInputDisplay::ScriptedInputDisplay(std::unique_ptr<Display> inner, SceneScript script)
	: inner(std::move(inner)), script(std::move(script))
{
}

void ScriptedInputDisplay::show(const std::string& name, const cv::Mat& image)
{
	inner->show(name, image);
	// Snapshots are written from this display's own record.
	if (!image.empty())
	{
		remember(name, image);
	}
}

bool ScriptedInputDisplay::setMouseHandler(const std::string& name, MouseHandler handler)
{
	if (!inner->setMouseHandler(name, handler))
	{
		return false;
	}
	handlers[name] = std::move(handler);
	return true;
}

int ScriptedInputDisplay::waitKey(int delayMs)
{
	passCount += 1;
	int key = -1;
	for (const SceneInput& input : script.inputsAt(passCount))
	{
		if (input.kind == SceneInput::Key)
		{
			key = input.key;
		}
		else
		{
			deliver(input);
		}
	}
	// A key the user pressed wins over the scene's.
	const int pressed = inner->waitKey(delayMs);
	return pressed != -1 ? pressed : key;
}

void ScriptedInputDisplay::deliver(const SceneInput& input)
{
	const auto handler = handlers.find(input.window);
	if (handler == handlers.end())
	{
		return;
	}
	handler->second(cv::EVENT_LBUTTONDOWN, input.from.x, input.from.y, cv::EVENT_FLAG_LBUTTON);
	if (input.kind == SceneInput::Drag)
	{
		handler->second(cv::EVENT_MOUSEMOVE, input.to.x, input.to.y, cv::EVENT_FLAG_LBUTTON);
	}
	handler->second(cv::EVENT_LBUTTONUP, input.to.x, input.to.y, 0);
}
