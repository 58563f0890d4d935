#include "app/Application.h"

#include "app/DebugWindows.h"
#include "core/FixedValues.h"
#include "render/GameCanvas.h"

#include <cstdio>

/// Shapes, joints and centres of mass; no bounding boxes. The game view shows
/// fixtures only. Contact pairs are left out: this Box2D draws a line between
/// every touching pair for that bit, where older versions drew nothing.
static constexpr uint32 debugDrawFlags = b2Draw::e_shapeBit | b2Draw::e_jointBit | b2Draw::e_centerOfMassBit;

Application::Application(std::unique_ptr<FrameSource> source, std::unique_ptr<Display> display,
	const DataFiles& files)
	: display(std::move(display)),
	  files(files),
	  scanner(std::move(source), files.tracker()),
	  analysis(scene, files.blackTemplate, files.yellowTemplate)
{
	analysis.setEventSink(&trace);
	scene.setEventSink(&trace);
	std::string error;
	if (!readOwnInks(files.ownInks, ink.own, error))
	{
		std::fprintf(stderr, "%s; the built-in inks are used\n", error.c_str());
	}
}

int Application::start()
{
	std::printf("hello world");
	std::fflush(stdout);
	scene.createWorld(defaultGravity());
	scene.world()->SetContactListener(&scene.contactListener());
	if (!scanner.initCamera())
	{
		return 1;
	}
	setUpDebugDraw();
	createWindows();
	if (projection)
	{
		projection->open(scanner.frameSize());
	}
	// A live camera gives the present moment: the world keeps the clock's
	// pace, whatever the camera's. Files and scenes step once a pass, so that
	// they play the same every time.
	FrameSource& camera = scanner.frameSource();
	if (camera.pacesItself())
	{
		pace = WorldPace::followingClock();
		recorder.setLiveCamera(camera.framesPerSecond());
	}
	recorder.announce();
	return 0;
}

void Application::setUpDebugDraw()
{
	scene.world()->SetDebugDraw(&debugDraw);
	debugDraw.SetFlags(debugDrawFlags);
	debugDraw.width = boardWidth;
	debugDraw.height = boardHeight;
	debugDraw.mapping = boardMapping;
	resetGameCanvas(debugDraw);
}

void Application::createWindows()
{
	// A window takes a mouse handler only once it exists, so each window is
	// created before its handler is attached.
	display->createWindow("game");
	display->setMouseHandler("game", [this](int event, int x, int y, int) {
		onGameMouse(scene, pen, event, x, y);
	});
	installDebugWindowCallbacks(*display, ScreenshotSources{board, views, ink});
}

bool Application::recordVideo(const std::string& path, std::string& error)
{
	auto opened = std::make_unique<SideBySideVideo>();
	if (!opened->open(path, error))
	{
		return false;
	}
	video = std::move(opened);
	return true;
}

void Application::useProjector(cv::Rect screen, const ProjectorCalibration* given)
{
	projection = std::make_unique<ProjectorMode>(screen, *display, files.projectorCalibration, files.cameraParam, trace,
		m_stillness);
	// Shatters are burst on the board; every event still reaches the trace.
	scene.setEventSink(&projection->events());
	if (given != nullptr)
	{
		projection->useCalibration(*given);
	}
	else
	{
		projection->readCalibration();
	}
	// Started already: the window opens now.
	if (scene.world() != nullptr)
	{
		projection->open(scanner.frameSize());
	}
}
