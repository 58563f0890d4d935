#include "app/DebugWindows.h"

#include "platform/Display.h"
#include "platform/WholeFile.h"
#include "tracking/BoardScanner.h"

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
Screenshot screenshotOf(const BoardScanner& scanner, const std::string& window)
{
	if (window == "warped")
	{
		return {scanner.getWarpedGray(), "ss_warped.png"};
	}
	if (window == "normal")
	{
		return {scanner.getCameraFrame(), "ss_normal.png"};
	}
	if (window == "cont")
	{
		return {scanner.getContourImage(), "ss_cont.png"};
	}
	return {cv::Mat(), nullptr};
}

}  // namespace

void installDebugWindowCallbacks(Display& display, const BoardScanner& scanner)
{
	for (const char* window : debugWindows)
	{
		display.createWindow(window);
		const std::string name = window;
		display.setMouseHandler(name, [&scanner, name](int event, int, int, int) {
			onDebugWindowMouse(scanner, event, name);
		});
	}
}

void onDebugWindowMouse(const BoardScanner& scanner, int event, const std::string& window)
{
	if (event != cv::EVENT_LBUTTONDOWN)
	{
		return;
	}
	const Screenshot shot = screenshotOf(scanner, window);
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
