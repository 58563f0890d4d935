#include "app/Application.h"
#include "app/CommandLine.h"
#include "render/HeadlessDisplay.h"
#include "render/WindowDisplay.h"
#include "tracking/StillFrameSource.h"
#include "tracking/SyntheticBoardCamera.h"

#include <cstdio>

namespace
{

/// Files and synthetic frames have no pace of their own; when someone watches
/// they play at real speed.
constexpr double watchedFramesPerSecond = 60.0;

/// The demo camera looks at the shipped board, with a simple drawing and the
/// portal card on it, from a little in front of straight above.
std::unique_ptr<FrameSource> makeDemoCamera()
{
	std::string error;
	std::unique_ptr<FrameSource> camera = SyntheticBoardCamera::fromFiles("Data/camera_para.dat",
		"Data/markers/marker.dat", "Data/markers/portal.dat", demoDrawing(), viewOfBoard(480.0, 10.0, 0.0), error);
	if (!camera)
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return std::make_unique<StillFrameSource>(cv::Mat());
	}
	return camera;
}

std::unique_ptr<FrameSource> makeSource(const Options& options)
{
	std::unique_ptr<FrameSource> source =
		parseSourceName(options.source).kind == SourceName::Demo ? makeDemoCamera() : openFrameSource(options.source);
	if (!source->isOpened())
	{
		std::fprintf(stderr, "cannot open %s; no frames will come and the scene counts as still\n",
			options.source.c_str());
	}
	if (!options.headless && !source->pacesItself())
	{
		source = pacedFrameSource(std::move(source), watchedFramesPerSecond);
	}
	return source;
}

std::unique_ptr<Display> makeDisplay(const Options& options)
{
	if (options.headless)
	{
		return std::make_unique<HeadlessDisplay>();
	}
	return std::make_unique<WindowDisplay>();
}

}  // namespace

int main(int argc, char** argv)
{
	const ParsedCommandLine parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
	if (!parsed.ok())
	{
		std::fprintf(stderr, "drawtable: %s\n%s", parsed.error.c_str(), usageText().c_str());
		return 2;
	}
	const Options& options = parsed.options;
	if (options.help)
	{
		std::fputs(usageText().c_str(), stdout);
		return 0;
	}

	// Lives for the whole run; its objects are destroyed in reverse order at the end.
	Application app(makeSource(options), makeDisplay(options));
	if (!options.traceFile.empty() && !app.trace.openFile(options.traceFile))
	{
		std::fprintf(stderr, "cannot open trace file \"%s\" for writing\n", options.traceFile.c_str());
		return 1;
	}
	int status = app.start();
	if (status == 0)
	{
		status = app.runMainLoop(options.passes);
	}
	if (!options.snapshotDir.empty())
	{
		app.getDisplay().writeSnapshots(options.snapshotDir);
	}
	std::fflush(stdout);
	return status;
}
