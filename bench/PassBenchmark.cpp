#include "DemoBoard.h"
#include "Folders.h"
#include "physics/BodyFactories.h"
#include "physics/BodyInfo.h"

#include <benchmark/benchmark.h>
#include <box2d/b2_body.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <thread>

#include <sys/resource.h>

namespace
{

/// The CPU time of every thread of the program so far.
double processCpuSeconds()
{
	rusage usage;
	getrusage(RUSAGE_SELF, &usage);
	return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// The walls are one closed chain around the drawing, in edges about one
/// board pixel long, as walls made from drawn strokes are.
constexpr int wallEdges = 2000;
constexpr float boxLeft = -8.0f, boxRight = 36.0f, boxBottom = -26.0f, boxTop = 18.0f;
constexpr float ballRadius = 0.6f;
constexpr float ballSpacing = 1.3f;
/// The balls are thrown again this often, so that they never come to rest.
constexpr int passesBetweenThrows = 60;
/// At a camera's pace (a frame every 33 ms) the loop waits for the next frame
/// after each pass; meanwhile the writer writes and the caches go cold.
constexpr std::chrono::milliseconds waitForNextFrame(15);

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

/// A projector picture of a common size, and a camera-to-projector map that
/// puts the board about where a projector above it would.
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

/// The demo camera under a projector: each frame gets the light of what the
/// "projector" window showed `latency` + 1 reads before, where the bench's
/// calibration says it lands, as a projector on the table would add it. The
/// program's check that its light arrives where expected then finds it, and
/// the passes measured are passes of play. Lighting the frame is the table's
/// work, not the program's: it is left out of the timing.
class LitByProjector : public FrameSource
{
public:
	explicit LitByProjector(std::unique_ptr<FrameSource> camera) : camera(std::move(camera)) {}

	bool isOpened() const override { return camera->isOpened(); }
	bool pacesItself() const override { return camera->pacesItself(); }
	cv::Size frameSize() const override { return camera->frameSize(); }
	std::string describe() const override { return camera->describe(); }

	bool read(cv::Mat& frame) override
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

	const Display* display = nullptr;
	cv::Matx33d cameraToProjector;
	int latency = 0;
	benchmark::State* timing = nullptr;

private:
	static constexpr double roomShare = 0.6;
	static constexpr double lightShare = 0.35;
	std::unique_ptr<FrameSource> camera;
	std::deque<cv::Mat> shownPictures;
};

/// The demo program after its first rescan, with the box and the balls added.
/// Passes run in a scratch folder, with or without a "video" folder there,
/// with or without a projector, and with the demo's camera or a webcam at
/// another frame size.
struct PassRig
{
	PassRig(int ballCount, bool recording, bool projecting = false, cv::Size frameSize = cv::Size())
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
		app = scannedDemo(std::move(camera));
		if (projecting)
		{
			const ProjectorCalibration calibration = benchProjectorCalibration();
			app->useProjector(projectorScreen, &calibration);
			table->display = &app->getDisplay();
			table->cameraToProjector = calibration.cameraToProjector;
			table->latency = calibration.latencyPasses;
		}
		// The portal would shatter the balls: their number would change.
		app->scene().markKind(Portal);
		buildBox(app->scene());
		balls = addBalls(app->scene(), ballCount);
		app->scene().flush();
		enterScratchFolder(recording);
	}

	/// Passes back to back. With `cameraPace` each pass starts as a camera
	/// frame would come, after the frames of the last one are written and a
	/// wait for the next frame; the waits are not timed.
	void run(benchmark::State& state, bool cameraPace = false)
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

	/// Passes as a live camera gives them, `framesPerSecond`: after each pass
	/// the loop waits, untimed, for the next frame, while the recording goes
	/// on. A pass that waits for the recording is timed with its wait, so a
	/// recording that cannot keep the camera's pace shows as passes longer
	/// than a frame.
	void runAtCameraPace(benchmark::State& state, double framesPerSecond)
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

	std::unique_ptr<Application> app;
	std::vector<b2Body*> balls;
	/// The projector's table, when projecting.
	LitByProjector* table = nullptr;
};

void BM_Pass(benchmark::State& state)
{
	PassRig(100, false).run(state);
}
BENCHMARK(BM_Pass)->Unit(benchmark::kMillisecond)->UseRealTime();

/// The same pass projecting the game onto the board: the bodies' outlines
/// mapped into projector pixels and drawn, the camera pixels they light marked
/// for the motion test, the picture shown. BM_Pass runs beside it in the same run.
void BM_PassProjecting(benchmark::State& state)
{
	PassRig(100, false, true).run(state);
}
BENCHMARK(BM_PassProjecting)->Unit(benchmark::kMillisecond)->UseRealTime();

/// A camera gives a frame every 33 ms, and the writer needs 10 to 20 ms for a
/// pair: at the camera's pace the queue is empty when a pass starts. This is
/// what a pass costs the main loop then; BM_PassAtCameraPace is the same
/// without recording.
void BM_PassRecording(benchmark::State& state)
{
	PassRig(100, true).run(state, true);
}
BENCHMARK(BM_PassRecording)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PassAtCameraPace(benchmark::State& state)
{
	PassRig(100, false).run(state, true);
}
BENCHMARK(BM_PassAtCameraPace)->Unit(benchmark::kMillisecond)->UseRealTime();

/// Passes faster than the writer can encode: the queue fills and the main
/// loop waits for the writer, so this is the speed of the PNG encoding.
void BM_PassRecordingBackToBack(benchmark::State& state)
{
	PassRig(100, true).run(state);
}
BENCHMARK(BM_PassRecordingBackToBack)->Unit(benchmark::kMillisecond)->UseRealTime();

/// A webcam at 1280 x 720 or 1920 x 1080 (sensor noise, JPEG frames), or the
/// demo's camera at 640 x 480 (sensor noise, raw frames), giving 30 frames a
/// second: passes without recording, with the PNG pairs (--record frames),
/// and with the lossless camera video (--record video). The passes keep the
/// camera's pace while they stay under 33 ms. "MB_a_minute" is what the
/// recording leaves on the disk in a minute at that pace.
enum Recording
{
	NotRecording,
	RecordingFrames,
	RecordingVideo
};

void BM_PassWebcam(benchmark::State& state)
{
	const cv::Size size = state.range(0) == 480 ? cv::Size() : state.range(0) == 720 ? cv::Size(1280, 720) : cv::Size(1920, 1080);
	const auto recording = Recording(state.range(1));
	PassRig rig(100, recording != NotRecording, false, size);
	if (recording == RecordingVideo)
	{
		rig.app->recorder().setSettings({RecordMode::Video, std::nullopt});
	}
	rig.runAtCameraPace(state, 30.0);
}
BENCHMARK(BM_PassWebcam)
	->ArgNames({"height", "recording"})
	->ArgsProduct({{480, 720, 1080}, {NotRecording, RecordingFrames, RecordingVideo}})
	->MinTime(3.0)
	->Unit(benchmark::kMillisecond)
	->UseRealTime();

void BM_PassScale(benchmark::State& state)
{
	PassRig(int(state.range(0)), false).run(state);
}
BENCHMARK(BM_PassScale)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
