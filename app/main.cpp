#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DataFiles.h"
#include "core/Version.h"
#include "platform/HeadlessDisplay.h"
#include "platform/StopSignals.h"
#include "scenes/ScriptedInputDisplay.h"
#include "platform/WindowDisplay.h"
#include "scenes/ScriptedBoardCamera.h"

#include <opencv2/core/utils/logger.hpp>

#include <cstdio>

namespace
{

/// Files and synthetic frames have no pace of their own; when someone watches
/// they play at real speed.
constexpr double watchedFramesPerSecond = 60.0;

/// The camera and the scene it plays, when the source is a scene.
struct Source
{
	std::unique_ptr<FrameSource> frames;
	const SceneScript* scene = nullptr;
	/// The synthetic camera, when the source is a scene: its projector shows
	/// what the program's "projector" window shows.
	ScriptedBoardCamera* sceneCamera = nullptr;
};

/// The synthetic camera over the shipped board, playing a scene file. Null
/// after a one-line message when the scene or a data file cannot be used.
std::unique_ptr<ScriptedBoardCamera> makeSceneCamera(const std::string& sceneFile, const DataFiles& files)
{
	std::string error;
	std::unique_ptr<ScriptedBoardCamera> camera = ScriptedBoardCamera::fromFiles(sceneFile,
		files.cameraParam.c_str(), files.boardMarkers.c_str(), files.portalMarkers.c_str(), error);
	if (!camera)
	{
		std::fprintf(stderr, "%s\n", error.c_str());
	}
	return camera;
}

/// Frames from where the options say; no frames when a scene cannot be used.
Source makeSource(const Options& options, const DataFiles& files)
{
	Source source;
	const SourceName name = parseSourceName(options.source);
	if (name.kind == SourceName::Demo || name.kind == SourceName::Scene)
	{
		std::unique_ptr<ScriptedBoardCamera> camera =
			makeSceneCamera(name.kind == SourceName::Demo ? files.demoScene : name.path, files);
		if (!camera)
		{
			return source;
		}
		source.scene = &camera->scene();
		source.sceneCamera = camera.get();
		source.frames = std::move(camera);
	}
	else
	{
		source.frames = openFrameSource(options.source);
		if (!source.frames->isOpened())
		{
			std::fprintf(stderr, "cannot open %s; no frames will come and the scene counts as still\n",
				options.source.c_str());
		}
	}
	if (!options.headless && !source.frames->pacesItself())
	{
		source.frames = pacedFrameSource(std::move(source.frames), watchedFramesPerSecond);
	}
	return source;
}

/// Windows or none; a scene's keys and clicks come through the display too.
std::unique_ptr<Display> makeDisplay(const Options& options, const SceneScript* scene)
{
	std::unique_ptr<Display> display;
	if (options.headless)
	{
		display = std::make_unique<HeadlessDisplay>();
	}
	else
	{
		display = std::make_unique<WindowDisplay>();
	}
	if (scene != nullptr)
	{
		display = std::make_unique<ScriptedInputDisplay>(std::move(display), *scene);
	}
	return display;
}

}  // namespace

int main(int argc, char** argv)
{
	// From here on Ctrl-C, SIGTERM and SIGHUP end the run as ESC does, with
	// what was recorded written; during start-up they end it before its first pass.
	catchStopSignals();
	// OpenCV's own warnings (a camera back end that cannot open the device)
	// would repeat what the program says in its one line.
	cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR);
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
	if (options.version)
	{
		std::printf("drawtable %s\n", DRAWTABLE_VERSION);
		return 0;
	}

	if (!options.dataDir.empty() && !isDirectory(options.dataDir))
	{
		std::fprintf(stderr, "%s: no such data directory\n", options.dataDir.c_str());
		return 1;
	}
	const DataFiles files(chooseDataDirectory(options.dataDir, shippedDataDirectory()));
	Source source = makeSource(options, files);
	if (!source.frames)
	{
		return 1;
	}
	// Passes that run as fast as they can (headless, one step a pass) sound in
	// the world's time; a game played in real time, in the loudspeaker's.
	const SoundClock soundClock =
		options.headless && !source.frames->pacesItself() ? SoundClock::World : SoundClock::Device;
	std::unique_ptr<Display> display = makeDisplay(options, source.scene);
	const std::string offScreen = projectorPlaceProblem(options.projector, display->screens());
	if (!options.projector.empty() && !offScreen.empty())
	{
		std::fprintf(stderr, "drawtable: %s\n", offScreen.c_str());
		return 1;
	}
	if (source.sceneCamera != nullptr && source.sceneCamera->projector() != nullptr)
	{
		source.sceneCamera->projector()->watch(*display);
	}
	// Lives for the whole run; its objects are destroyed in reverse order at the end.
	Application app(std::move(source.frames), std::move(display), files);
	if (!options.projector.empty())
	{
		const DesktopRect& r = options.projector;
		app.useProjector(cv::Rect(r.x, r.y, r.width, r.height));
	}
	if (!options.traceFile.empty() && !app.trace().openFile(options.traceFile))
	{
		std::fprintf(stderr, "cannot open trace file \"%s\" for writing\n", options.traceFile.c_str());
		return 1;
	}
	const RecordMode mode = options.record == "frames" ? RecordMode::Frames
		: options.record == "video"                      ? RecordMode::Video
		: options.record == "none"                       ? RecordMode::None
														 : RecordMode::FramesIfFolder;
	app.recorder().setSettings({mode, options.keepFree});
	std::string error;
	if (!options.videoFile.empty() && !app.recordVideo(options.videoFile, error))
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return 1;
	}
	int status = app.start();
	if (status == 0)
	{
		auto sounds = std::make_unique<GameSounds>(soundClock, options.mute);
		sounds->start();
		app.playSounds(std::move(sounds));
		status = app.runMainLoop(options.passes);
	}
	if (!options.snapshotDir.empty())
	{
		app.getDisplay().writeSnapshots(options.snapshotDir);
	}
	std::fflush(stdout);
	return status;
}
