#include "app/Application.h"

#include "core/FixedValues.h"
#include "physics/SpawnedBoxes.h"
#include "platform/StopSignals.h"
#include "render/GameCanvas.h"

#include <cstdio>
#include <exception>

namespace
{

constexpr int keyEscape = 27;
constexpr int keyPause = 'p';
constexpr int keySpawnBox = 'z';
constexpr int keyReplay = 'r';
constexpr int keyMute = 'm';

}  // namespace

int Application::runMainLoop(long maxPasses)
{
	// Whatever a pass throws ends the run as ESC would, with what was
	// recorded written and the trace closed, only with status 1.
	bool broke = false;
	try
	{
		runPasses(maxPasses);
	}
	catch (const std::exception& error)
	{
		std::fprintf(stderr, "the run stops in pass %d: %s\n", m_passCount, error.what());
		broke = true;
	}
	catch (...)
	{
		std::fprintf(stderr, "the run stops in pass %d: an unknown failure\n", m_passCount);
		broke = true;
	}
	if (stopSignal() != 0)
	{
		// Writing what is queued may take a moment; whoever sent the signal
		// learns that it arrived.
		std::fprintf(stderr, "%s: stopping once what is queued is written; Ctrl-C again stops at once\n",
			signalName(stopSignal()).c_str());
	}
	endRun();
	if (stopSignal() != 0)
	{
		return stopStatus(stopSignal());
	}
	return broke || m_scanner.detectionFailed() ? 1 : 0;
}

void Application::runPasses(long maxPasses)
{
	// A stop signal is looked at between passes, so the pass in progress
	// completes; one that came during start-up ends the run before its first pass.
	while (stopSignal() == 0 && runPass())
	{
		if (maxPasses > 0 && m_passCount >= maxPasses)
		{
			break;
		}
	}
}

void Application::endRun()
{
	// The frames of the last passes may still be on their way to disk.
	m_recorder.close();
	if (m_video)
	{
		m_video->close();
	}
	if (m_sounds)
	{
		m_sounds->close();
	}
	m_trace.close();
}

bool Application::runPass()
{
	++m_passCount;
	resetGameCanvas(m_debugDraw);
	stepWorld();
	m_scene.world()->DebugDraw();
	m_scene.markOutOfBounds();
	m_scene.flush();
	m_display->show("game", gameCanvas(m_debugDraw));
	updateStillness();
	projectGame();
	composeCameraView(m_views, m_scanner.cameraFrame(), m_board, m_analysis.ballRecords(),
		m_analysis.sensorCircleRecords(), m_scene, *m_display);
	m_recorder.recordPass({m_scanner.cameraFrame(), m_scanner.motionFrame(), m_views.camera, gameCanvas(m_debugDraw)});
	addVideoFrame();
	// Mouse handlers run inside waitKey, after this pass's flush: what they
	// make is first simulated in the next pass. Closing "game" is the user's
	// way out, as ESC is.
	const bool goOn = handleKey(m_display->waitKey(1)) && !m_display->isClosed("game") && !m_scanner.detectionFailed();
	m_trace.endPass(m_passCount, m_stillness.count(), m_scene);
	return goOn;
}

void Application::stepWorld()
{
	for (int steps = m_pace.stepsForPass(); steps > 0; --steps)
	{
		m_scene.world()->Step(timeStep, velocityIterations, positionIterations);
		m_scene.contactListener().stepped(timeStep);
	}
}

void Application::updateStillness()
{
	const bool moved = cameraMoved();
	m_stillness.notePass(moved);
	sayWhyUnsettled();
	// One still period gives at most one rescan (with a projector, once the
	// projector has been black long enough).
	if (!moved && rescanDue())
	{
		rescan();
	}
}

bool Application::cameraMoved()
{
	return m_projection ? m_projection->sceneMoved(m_scanner, m_passCount) : m_scanner.sceneMoved();
}

bool Application::rescanDue()
{
	// With a projector the rescan waits for a frame the projector did not light.
	return m_projection ? m_projection->rescanDue(m_scanner, m_passCount) : m_stillness.rescanDue();
}

void Application::projectGame()
{
	if (!m_projection)
	{
		return;
	}
	// Measuring the projector ends with a scan of the board in the frame it
	// left dark: the game is placed on that board from then on.
	if (std::optional<RectifiedBoard> seen = m_projection->measure(m_passCount, m_scanner, m_board))
	{
		m_board = std::move(*seen);
	}
	m_projection->project(m_passCount, m_scanner, m_board, m_scene, m_analysis);
}

void Application::sayWhyUnsettled()
{
	if (!m_unsettled.note(m_scanner.lastMotionReading(), m_stillness.settled(), m_clock()))
	{
		return;
	}
	// A camera that does not see the board has nothing to scan: that is said
	// once a picture keeps still.
	if (m_scanner.markersInView() == 0)
	{
		return;
	}
	const std::string why = m_unsettled.reason();
	std::fprintf(stderr, "%s\n", why.c_str());
	m_trace.report(Event("unsettled").set("reason", why));
}

bool Application::handleKey(int code)
{
	switch (code & 0xFF)
	{
	case keyEscape:
		return false;
	case keyPause:
		m_scanner.setScanPaused(!m_scanner.scanPaused());
		break;
	case keySpawnBox:
		spawnBox(m_scene);
		break;
	case keyReplay:
		replayDrawing();
		break;
	case keyMute:
		if (m_sounds)
		{
			m_sounds->toggleMute();
		}
		break;
	default:
		if (m_projection)
		{
			m_projection->key(code & 0xFF);
		}
		break;
	}
	return true;
}

void Application::replayDrawing()
{
	// As on a new map of the same drawing: what moves goes, the balls come
	// back at their rings, the sensors wait to be touched again.
	m_scene.markKind(Solid);
	m_scene.markKind(Debris);
	const int balls = m_analysis.replayDrawing();
	m_trace.report(Event("replay").set("balls", double(balls)));
}

void Application::addVideoFrame()
{
	if (!m_video)
	{
		return;
	}
	const auto& shown = m_display->lastImages();
	const auto normal = shown.find("normal");
	const auto game = shown.find("game");
	m_video->addFrame(normal != shown.end() ? normal->second : cv::Mat(), game != shown.end() ? game->second : cv::Mat());
}
