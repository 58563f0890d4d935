#include "PassRig.h"

#include "Folders.h"

#include "physics/BodyFactories.h"
#include "physics/BodyInfo.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include <sys/resource.h>

double processCpuSeconds()
{
	rusage usage;
	getrusage(RUSAGE_SELF, &usage);
	return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

namespace
{

b2Vec2 alongBox(float t)
{
	const float width = boxRight - boxLeft;
	const float height = boxTop - boxBottom;
	float d = t * 2.0f * (width + height);
	if (d < width)
	{
		return {boxLeft + d, boxBottom};
	}
	d -= width;
	if (d < height)
	{
		return {boxRight, boxBottom + d};
	}
	d -= height;
	if (d < width)
	{
		return {boxRight - d, boxTop};
	}
	return {boxLeft, boxTop - (d - width)};
}

}  // namespace

void buildBox(PhysicsScene& scene)
{
	std::vector<b2Vec2> points;
	for (int i = 0; i < wallEdges; ++i)
	{
		points.push_back(alongBox(float(i) / float(wallEdges)));
	}
	points.push_back(points.front());
	createWallChain(points, scene);
}

std::vector<b2Body*> addBalls(PhysicsScene& scene, int count)
{
	const int perRow = int((boxRight - boxLeft - 2.0f) / ballSpacing);
	std::vector<b2Body*> balls;
	for (int i = 0; i < count; ++i)
	{
		b2Body* ball = createBall(scene, boxLeft + 1.0f + ballSpacing * float(i % perRow),
			boxBottom + 1.0f + ballSpacing * float(i / perRow), ballRadius);
		ball->SetSleepingAllowed(false);
		balls.push_back(ball);
	}
	return balls;
}

void throwBalls(const std::vector<b2Body*>& balls, cv::RNG& rng)
{
	for (b2Body* ball : balls)
	{
		ball->SetLinearVelocity(b2Vec2(float(rng.uniform(-15.0, 15.0)), float(rng.uniform(0.0, 20.0))));
	}
}

const cv::Rect projectorScreen(1920, 0, 1280, 800);

ProjectorCalibration benchProjectorCalibration()
{
	ProjectorCalibration calibration;
	calibration.projectorSize = projectorScreen.size();
	calibration.cameraSize = cv::Size(640, 480);
	calibration.cameraToProjector = cv::Matx33d(2.0, 0.05, 10.0, -0.03, 1.9, 20.0, 0.0, 0.0001, 1.0);
	calibration.latencyPasses = 2;
	// White paper gains a third of full white under the projector, and the room lights it to 0.6: LitByProjector's table, unclipped.
	calibration.paperLight = cv::Vec3d::all(89.0);
	return calibration;
}

bool LitByProjector::read(cv::Mat& frame)
{
	if (!camera->read(frame))
	{
		return false;
	}
	if (timing != nullptr)
	{
		timing->PauseTiming();
	}
	// A room dimmed for the projector, as on a real table: its light
	// shows on the paper rather than clipping there.
	frame.convertTo(frame, -1, roomShare);
	const auto shown = display != nullptr ? display->lastImages().find("projector") : std::map<std::string, cv::Mat>::const_iterator();
	if (display != nullptr && shown != display->lastImages().end())
	{
		shownPictures.push_back(shown->second.clone());
		if (shownPictures.size() > size_t(latency + 1))
		{
			shownPictures.pop_front();
		}
	}
	if (shownPictures.size() == size_t(latency + 1))
	{
		cv::Mat light;
		cv::warpPerspective(shownPictures.front(), light, cameraToProjector, frame.size(),
			cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
		cv::scaleAdd(light, lightShare, frame, frame);
	}
	if (timing != nullptr)
	{
		timing->ResumeTiming();
	}
	return true;
}

PassRig::PassRig(int ballCount, bool recording, bool projecting, cv::Size frameSize, WindowSet windows)
{
	enterSourceFolder();
	std::unique_ptr<FrameSource> camera =
		frameSize.empty() ? demoCamera() : demoCamera(webcamAtHighDefinition(), frameSize);
	if (projecting)
	{
		auto lit = std::make_unique<LitByProjector>(std::move(camera));
		table = lit.get();
		camera = std::move(lit);
	}
	app = scannedDemo(std::move(camera), windows);
	if (projecting)
	{
		const ProjectorCalibration calibration = benchProjectorCalibration();
		app->useProjector(projectorScreen, &calibration);
		table->display = &app->getDisplay();
		table->cameraToProjector = calibration.cameraToProjector;
		table->latency = calibration.latencyPasses;
		// Every reward at once: the score, three sensors' halos and the celebration.
		rewards.drawingArea = cv::Rect2d(123.0, 123.0, 393.0, 233.0);
		for (int i = 0; i < 3; ++i)
		{
			rewards.sensors.push_back(PlaySensor{b2Vec2(10.0f + 8.0f * float(i), -8.0f), 1.0f, 0.0});
		}
		PlayStatus& status = rewards.status;
		status.score = status.sensorsLit = status.sensorCount = 3;
		status.seconds = 0.5;
		status.solved = true;
		status.solvedAfter = 0.2;
		app->projectRewards(&rewards);
	}
	// The portal would shatter the balls: their number would change.
	app->scene().markKind(Portal);
	buildBox(app->scene());
	balls = addBalls(app->scene(), ballCount);
	app->scene().flush();
	enterScratchFolder(recording);
}

void PassRig::run(benchmark::State& state, bool cameraPace)
{
	if (table != nullptr)
	{
		table->timing = &state;
	}
	cv::RNG rng(7);
	long pass = 0;
	long measuring = 0;
	for (auto _ : state)
	{
		if (pass++ % passesBetweenThrows == 0)
		{
			state.PauseTiming();
			throwBalls(balls, rng);
			if (cameraPace)
			{
				// The recorded files are not kept.
				app->recorder().finish();
				std::filesystem::remove_all("video");
				std::filesystem::create_directory("video");
			}
			state.ResumeTiming();
		}
		if (app->projection() && app->projection()->calibrating())
		{
			// Measuring the projector again is not a pass of play: left
			// out of the timing, and counted.
			state.PauseTiming();
			table->timing = nullptr;
			app->runPass();
			table->timing = &state;
			state.ResumeTiming();
			measuring += 1;
			continue;
		}
		app->runPass();
		if (table != nullptr)
		{
			// A rescan after the projector was measured again builds the
			// portal anew, which would shatter the balls into debris and
			// time more bodies than BM_Pass does.
			state.PauseTiming();
			app->scene().markKind(Portal);
			app->scene().flush();
			state.ResumeTiming();
		}
		if (cameraPace)
		{
			state.PauseTiming();
			app->recorder().finish();
			std::this_thread::sleep_for(waitForNextFrame);
			state.ResumeTiming();
		}
	}
	state.counters["bodies"] = double(app->scene().world()->GetBodyCount());
	if (app->projection())
	{
		// Passes that measured the projector again, untimed: the balls
		// thrown all at once every so often make the light miss them for
		// a few passes, which the program may take for a moved camera.
		state.counters["passes_measuring_projector"] = double(measuring);
	}
	app->recorder().finish();
	std::filesystem::remove_all("video");
}

void PassRig::runAtCameraPace(benchmark::State& state, double framesPerSecond)
{
	using Clock = std::chrono::steady_clock;
	const auto frame = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / framesPerSecond));
	cv::RNG rng(7);
	long pass = 0;
	const double cpuBefore = processCpuSeconds();
	Clock::time_point next = Clock::now();
	for (auto _ : state)
	{
		if (pass++ % passesBetweenThrows == 0)
		{
			state.PauseTiming();
			throwBalls(balls, rng);
			state.ResumeTiming();
		}
		app->runPass();
		state.PauseTiming();
		next = std::max(next + frame, Clock::now());
		std::this_thread::sleep_until(next);
		state.ResumeTiming();
	}
	state.counters["bodies"] = double(app->scene().world()->GetBodyCount());
	app->recorder().close();
	// The program's threads together: on two cores the camera's pace can
	// be kept while this stays well under two frames.
	state.counters["cpu_ms_all_threads"] = (processCpuSeconds() - cpuBefore) * 1000.0 / double(std::max<long>(1, pass));
	// What a minute of passes at this pace leaves on the disk.
	std::uintmax_t bytes = 0;
	std::error_code ignored;
	for (const auto& entry : std::filesystem::recursive_directory_iterator("video", ignored))
	{
		bytes += entry.is_regular_file() ? entry.file_size() : 0;
	}
	state.counters["MB_a_minute"] = double(bytes) / 1e6 / double(std::max<long>(1, pass)) * framesPerSecond * 60.0;
	std::filesystem::remove_all("video");
}
