#include "app/DebugWindows.h"

#include "analysis/InkLayers.h"
#include "platform/Display.h"
#include "platform/TimeStampedName.h"
#include "platform/WholeFile.h"
#include "render/CameraViewOverlay.h"
#include "tracking/RectifiedBoard.h"

#include <opencv2/highgui.hpp>

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace
{

/// The windows that take screenshots, in the order they are created and matched.
constexpr const char* debugWindows[] = {"warped", "normal", "cont"};

struct Screenshot
{
	cv::Mat image;
	const char* file;
};

/// What a click in a window saves; no file for a window without screenshots.
Screenshot screenshotOf(const ScreenshotSources& sources, const std::string& window)
{
	if (window == "warped")
	{
		return {sources.board.grey, "ss_warped.png"};
	}
	if (window == "normal")
	{
		return {sources.views.camera, "ss_normal.png"};
	}
	if (window == "cont")
	{
		return {sources.ink.contourImage, "ss_cont.png"};
	}
	return {cv::Mat(), nullptr};
}

/// Where a screenshot of `window` goes: its fixed name `file` in the working
/// folder, or a new time-stamped name in `folder`.
std::string screenshotPath(const char* window, const char* file, const std::string& folder)
{
	if (folder.empty())
	{
		return file;
	}
	std::error_code ignored;
	std::filesystem::create_directories(folder, ignored);
	return unusedName(folder + "/drawtable-" + window + "-" + timeStamp(std::time(nullptr)), ".png");
}

}  // namespace

void installDebugWindowCallbacks(Display& display, ScreenshotSources sources, const std::string& folder)
{
	for (const char* window : debugWindows)
	{
		display.createWindow(window);
		const std::string name = window;
		display.setMouseHandler(name, [sources, name, folder](int event, int, int, int) {
			onDebugWindowMouse(sources, event, name, folder);
		});
	}
}

void onDebugWindowMouse(const ScreenshotSources& sources, int event, const std::string& window,
	const std::string& folder)
{
	if (event != cv::EVENT_LBUTTONDOWN)
	{
		return;
	}
	const Screenshot shot = screenshotOf(sources, window);
	// imwrite throws on an empty image; there is nothing to save yet anyway.
	if (shot.file == nullptr || shot.image.empty())
	{
		return;
	}
	const std::string path = screenshotPath(window.c_str(), shot.file, folder);
	const std::error_code failure = writeWholeImage(path, shot.image);
	if (failure)
	{
		std::fprintf(stderr, "cannot write screenshot \"%s\": %s\n", path.c_str(), failure.message().c_str());
	}
	else if (!folder.empty())
	{
		std::printf("screenshot of \"%s\" saved as %s\n", window.c_str(), path.c_str());
		std::fflush(stdout);
	}
}
