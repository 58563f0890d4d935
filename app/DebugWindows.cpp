#include "app/DebugWindows.h"

#include "analysis/InkLayers.h"
#include "platform/Display.h"
#include "platform/WholeFile.h"
#include "render/CameraViewOverlay.h"
#include "tracking/RectifiedBoard.h"

#include <opencv2/highgui.hpp>

#include <cstdio>

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

}  // namespace

void installDebugWindowCallbacks(Display& display, ScreenshotSources sources)
{
	for (const char* window : debugWindows)
	{
		display.createWindow(window);
		const std::string name = window;
		display.setMouseHandler(name, [sources, name](int event, int, int, int) {
			onDebugWindowMouse(sources, event, name);
		});
	}
}

void onDebugWindowMouse(const ScreenshotSources& sources, int event, const std::string& window)
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
	const std::error_code failure = writeWholeImage(shot.file, shot.image);
	if (failure)
	{
		std::fprintf(stderr, "cannot write screenshot \"%s\": %s\n", shot.file, failure.message().c_str());
	}
}
