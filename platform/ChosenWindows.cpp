#include "platform/ChosenWindows.h"

ChosenWindows::ChosenWindows(std::unique_ptr<Display> inner, std::set<std::string> shown)
	: m_inner(std::move(inner)), m_shown(std::move(shown))
{
}

void ChosenWindows::createWindow(const std::string& name)
{
	if (onScreen(name))
	{
		m_inner->createWindow(name);
	}
}

void ChosenWindows::createScreenWindow(const std::string& name, cv::Rect desktop)
{
	m_shown.insert(name);
	m_inner->createScreenWindow(name, desktop);
}

void ChosenWindows::show(const std::string& name, const cv::Mat& image)
{
	if (onScreen(name))
	{
		m_inner->show(name, image);
	}
	// Snapshots and the video are taken from this display's own record.
	if (!image.empty())
	{
		remember(name, image);
	}
}

bool ChosenWindows::setMouseHandler(const std::string& name, MouseHandler handler)
{
	return onScreen(name) && m_inner->setMouseHandler(name, std::move(handler));
}
