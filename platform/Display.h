#pragma once

#include <opencv2/core.hpp>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

/// The seam to the window system: named windows showing images, mouse events
/// per window and key presses. Everything the program shows or reads from the
/// user goes through one Display.
///
/// A mouse handler only attaches to a window that exists, as with highgui, so a
/// window is created before its handler is set.
class Display
{
public:
	/// Event code, x, y and flags, as highgui passes them.
	using MouseHandler = std::function<void(int event, int x, int y, int flags)>;

	virtual ~Display() = default;

	/// Create a window (auto-sized to its image). Creating it again does nothing.
	virtual void createWindow(const std::string& name) = 0;

	/// Create a window without decorations that fills a rectangle of the
	/// desktop exactly, such as the picture of a projector that is a second
	/// screen. A display without a screen just creates the window.
	virtual void createScreenWindow(const std::string& name, cv::Rect desktop)
	{
		(void)desktop;
		createWindow(name);
	}

	/// Show an image in a window, creating the window if needed. An empty image
	/// changes nothing.
	virtual void show(const std::string& name, const cv::Mat& image) = 0;

	/// Attach a mouse handler to an existing window. Returns false, attaching
	/// nothing, when the window does not exist.
	virtual bool setMouseHandler(const std::string& name, MouseHandler handler) = 0;

	/// Deliver pending mouse events to their handlers, then return the code of
	/// one pressed key, or -1 if none came within delayMs. Windows that the
	/// user closes are closed in here.
	virtual int waitKey(int delayMs) = 0;

	/// True when the user has closed the window (with its close button) and
	/// nothing was shown in it since: showing an image opens it again, in its
	/// place and with its mouse handler.
	virtual bool isClosed(const std::string& name) const = 0;

	/// True when nobody watches: sources without a pace of their own then run
	/// as fast as they can.
	virtual bool isHeadless() const = 0;

	/// The desktop's screens, as rectangles of it; empty when the display
	/// cannot tell (no window system, or none at all).
	virtual std::vector<cv::Rect> screens() const { return {}; }

	/// Keep what window `name` shows as it is given rather than a copy, for a
	/// maker that never draws into a picture it has shown while another holds
	/// it (the projector's picture: a copy of 3 MB a pass saved).
	void keepShownAsGiven(const std::string& name) { keptAsGiven.insert(name); }

	/// The last image shown in each window, by window name.
	const std::map<std::string, cv::Mat>& lastImages() const { return shown; }

	/// Write each window's last image as DIR/<window>.png, creating DIR.
	/// Returns false, with a message on standard error, if anything failed.
	bool writeSnapshots(const std::string& directory) const;

protected:
	/// Keep what a window now shows: a copy, in the previous copy's buffer,
	/// unless the window keeps its pictures as given.
	void remember(const std::string& name, const cv::Mat& image);

private:
	std::map<std::string, cv::Mat> shown;
	std::set<std::string> keptAsGiven;
};
