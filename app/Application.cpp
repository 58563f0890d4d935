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
	: m_display(std::move(display)),
	  m_files(files),
	  m_scanner(std::move(source), m_files.tracker()),
	  m_analysis(m_scene, m_files.blackTemplate, m_files.yellowTemplate)
{
	m_analysis.setEventSink(&m_trace);
	m_scene.setEventSink(&m_trace);
	std::string error;
	if (!readOwnInks(m_files.ownInks, m_ink.own, error))
	{
		std::fprintf(stderr, "%s; the built-in inks are used\n", error.c_str());
	}
}

int Application::start()
{
	std::printf("hello world");
	std::fflush(stdout);
	m_scene.createWorld(defaultGravity());
	m_scene.world()->SetContactListener(&m_scene.contactListener());
	if (!m_scanner.initCamera())
	{
		return 1;
	}
	setUpDebugDraw();
	createWindows();
	if (m_projection)
	{
		m_projection->open(m_scanner.frameSize());
	}
	// A live camera gives the present moment: the world keeps the clock's
	// pace, whatever the camera's. Files and scenes step once a pass, so that
	// they play the same every time.
	FrameSource& camera = m_scanner.frameSource();
	if (camera.pacesItself())
	{
		m_pace = WorldPace::followingClock();
		m_recorder.setLiveCamera(camera.framesPerSecond());
	}
	m_recorder.announce();
	return 0;
}

void Application::setUpDebugDraw()
{
	m_scene.world()->SetDebugDraw(&m_debugDraw);
	m_debugDraw.SetFlags(debugDrawFlags);
	m_debugDraw.width = boardWidth;
	m_debugDraw.height = boardHeight;
	m_debugDraw.mapping = boardMapping;
	resetGameCanvas(m_debugDraw);
}

void Application::createWindows()
{
	// A window takes a mouse handler only once it exists, so each window is
	// created before its handler is attached.
	m_display->createWindow("game");
	m_display->setMouseHandler("game", [this](int event, int x, int y, int) {
		onGameMouse(m_scene, m_pen, event, x, y);
	});
	installDebugWindowCallbacks(*m_display, ScreenshotSources{m_board, m_views, m_ink});
}

bool Application::recordVideo(const std::string& path, std::string& error)
{
	auto opened = std::make_unique<SideBySideVideo>();
	if (!opened->open(path, error))
	{
		return false;
	}
	m_video = std::move(opened);
	return true;
}

void Application::useProjector(cv::Rect screen, const ProjectorCalibration* given)
{
	m_projection = std::make_unique<ProjectorMode>(screen, *m_display, m_files.projectorCalibration,
		m_files.cameraParam, m_trace, m_stillness);
	// Shatters are burst on the board; every event still reaches the trace.
	m_scene.setEventSink(&m_projection->events());
	if (given != nullptr)
	{
		m_projection->useCalibration(*given);
	}
	else
	{
		m_projection->readCalibration();
	}
	// Started already: the window opens now.
	if (m_scene.world() != nullptr)
	{
		m_projection->open(m_scanner.frameSize());
	}
}

void Application::playSounds(std::unique_ptr<GameSounds> played)
{
	m_sounds = std::move(played);
	m_trace.addSink([this](const PassRecord& record) { m_sounds->hear(record.events); });
}
