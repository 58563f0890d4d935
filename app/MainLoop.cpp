#include "app/Application.h"

#include "core/FixedValues.h"
#include "physics/SpawnedBoxes.h"
#include "render/GameCanvas.h"

namespace
{

constexpr int keyEscape = 27;
constexpr int keyPause = 'p';
constexpr int keySpawnBox = 'z';

}  // namespace

int Application::runMainLoop(long maxPasses)
{
	while (runPass())
	{
		if (maxPasses > 0 && passCount >= maxPasses)
		{
			break;
		}
	}
	// The frames of the last passes may still be on their way to disk.
	recorder.finish();
	return scanner.detectionFailed ? 1 : 0;
}

bool Application::runPass()
{
	++passCount;
	resetGameCanvas(debugDraw);
	stepWorld();
	scene.world->DebugDraw();
	scene.markOutOfBounds();
	scene.flush();
	display->show("game", gameCanvas(debugDraw));
	updateStillCounter();
	projectGame();
	scanner.composeCameraView(analysis, scene);
	recorder.recordFrame(scanner.motionFrame, scanner.cameraFrame);
	addVideoFrame();
	// Mouse handlers run inside waitKey, after this pass's flush: what they
	// make is first simulated in the next pass.
	const bool goOn = handleKey(display->waitKey(1)) && !scanner.detectionFailed;
	trace.endPass(passCount, stillCount, scene);
	return goOn;
}

void Application::stepWorld()
{
	scene.world->Step(timeStep, velocityIterations, positionIterations);
}

void Application::updateStillCounter()
{
	if (cameraMoved())
	{
		stillCount = 0;
		whySaid = false;
		return;
	}
	stillCount += 1;
	// Exactly the threshold: one still period gives at most one rescan (with a
	// projector, once the projector has been black long enough).
	if (rescanDue())
	{
		rescan();
	}
}

bool Application::handleKey(int code)
{
	switch (code & 0xFF)
	{
	case keyEscape:
		return false;
	case keyPause:
		scanner.scanPaused = !scanner.scanPaused;
		break;
	case keySpawnBox:
		spawnBox(scene);
		break;
	default:
		projectorKey(code & 0xFF);
		break;
	}
	return true;
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
