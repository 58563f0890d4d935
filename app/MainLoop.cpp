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
		std::fprintf(stderr, "the run stops in pass %d: %s\n", passCount, error.what());
		broke = true;
	}
	catch (...)
	{
		std::fprintf(stderr, "the run stops in pass %d: an unknown failure\n", passCount);
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
	return broke || scanner.detectionFailed() ? 1 : 0;
}

void Application::runPasses(long maxPasses)
{
	// A stop signal is looked at between passes, so the pass in progress
	// completes; one that came during start-up ends the run before its first pass.
	while (stopSignal() == 0 && runPass())
	{
		if (maxPasses > 0 && passCount >= maxPasses)
		{
			break;
		}
	}
}

void Application::endRun()
{
	// The frames of the last passes may still be on their way to disk.
	recorder.close();
	if (video)
	{
		video->close();
	}
	trace.close();
}

bool Application::runPass()
{
	++passCount;
	resetGameCanvas(debugDraw);
	stepWorld();
	scene.world()->DebugDraw();
	scene.markOutOfBounds();
	scene.flush();
	display->show("game", gameCanvas(debugDraw));
	updateStillness();
	projectGame();
	composeCameraView(views, scanner.cameraFrame(), board, analysis.ballRecords(), analysis.sensorCircleRecords(), scene,
		*display);
	recorder.recordPass({scanner.cameraFrame(), scanner.motionFrame(), views.camera, gameCanvas(debugDraw)});
	addVideoFrame();
	// Mouse handlers run inside waitKey, after this pass's flush: what they
	// make is first simulated in the next pass. Closing "game" is the user's
	// way out, as ESC is.
	const bool goOn = handleKey(display->waitKey(1)) && !display->isClosed("game") && !scanner.detectionFailed();
	trace.endPass(passCount, m_stillness.count(), scene);
	return goOn;
}

void Application::stepWorld()
{
	for (int steps = pace.stepsForPass(); steps > 0; --steps)
	{
		scene.world()->Step(timeStep, velocityIterations, positionIterations);
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
	return projection ? projection->sceneMoved(scanner, passCount) : scanner.sceneMoved();
}

bool Application::rescanDue()
{
	// With a projector the rescan waits for a frame the projector did not light.
	return projection ? projection->rescanDue(scanner, passCount) : m_stillness.rescanDue();
}

void Application::projectGame()
{
	if (!projection)
	{
		return;
	}
	// Measuring the projector ends with a scan of the board in the frame it
	// left dark: the game is placed on that board from then on.
	if (std::optional<RectifiedBoard> seen = projection->measure(passCount, scanner, board))
	{
		board = std::move(*seen);
	}
	projection->project(passCount, scanner, board, scene, analysis);
}

void Application::sayWhyUnsettled()
{
	if (!unsettled.note(scanner.lastMotionReading(), m_stillness.settled(), clock()))
	{
		return;
	}
	// A camera that does not see the board has nothing to scan: that is said
	// once a picture keeps still.
	if (scanner.markersInView() == 0)
	{
		return;
	}
	const std::string why = unsettled.reason();
	std::fprintf(stderr, "%s\n", why.c_str());
	trace.report(Event("unsettled").set("reason", why));
}

bool Application::handleKey(int code)
{
	switch (code & 0xFF)
	{
	case keyEscape:
		return false;
	case keyPause:
		scanner.setScanPaused(!scanner.scanPaused());
		break;
	case keySpawnBox:
		spawnBox(scene);
		break;
	case keyReplay:
		replayDrawing();
		break;
	default:
		if (projection)
		{
			projection->key(code & 0xFF);
		}
		break;
	}
	return true;
}

void Application::replayDrawing()
{
	// As on a new map of the same drawing: what moves goes, the balls come
	// back at their rings, the sensors wait to be touched again.
	scene.markKind(Solid);
	scene.markKind(Debris);
	const int balls = analysis.replayDrawing();
	trace.report(Event("replay").set("balls", double(balls)));
}

void Application::addVideoFrame()
{
	if (!video)
	{
		return;
	}
	const auto& shown = display->lastImages();
	const auto normal = shown.find("normal");
	const auto game = shown.find("game");
	video->addFrame(normal != shown.end() ? normal->second : cv::Mat(), game != shown.end() ? game->second : cv::Mat());
}
