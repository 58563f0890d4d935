#pragma once

#include "DemoBoard.h"
#include "render/PlayScene.h"

#include <benchmark/benchmark.h>
#include <box2d/b2_body.h>

#include <chrono>
#include <deque>
#include <memory>
#include <vector>

// The demo program set up for measuring its passes: a box of walls full of
// balls thrown about, with or without recording, a projector or "play".

/// The CPU time of every thread of the program so far.
double processCpuSeconds();

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

/// A closed chain of `wallEdges` walls around the box.
void buildBox(PhysicsScene& scene);
/// `count` balls in rows at the bottom of the box, never sleeping.
std::vector<b2Body*> addBalls(PhysicsScene& scene, int count);
/// Every ball thrown in a random direction.
void throwBalls(const std::vector<b2Body*>& balls, cv::RNG& rng);

/// A projector picture of a common size, and a camera-to-projector map that
/// puts the board about where a projector above it would.
extern const cv::Rect projectorScreen;
ProjectorCalibration benchProjectorCalibration();

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

	bool read(cv::Mat& frame) override;

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
/// with or without a projector, with the demo's camera or a webcam at
/// another frame size, and with or without the players' window.
struct PassRig
{
	/// `windows` says whether the players' window is drawn in every pass too
	/// (by default, as in the program).
	PassRig(int ballCount, bool recording, bool projecting = false, cv::Size frameSize = cv::Size(),
		WindowSet windows = WindowSet::All);

	/// Passes back to back. With `cameraPace` each pass starts as a camera
	/// frame would come, after the frames of the last one are written and a
	/// wait for the next frame; the waits are not timed.
	void run(benchmark::State& state, bool cameraPace = false);

	/// Passes as a live camera gives them, `framesPerSecond`: after each pass
	/// the loop waits, untimed, for the next frame, while the recording goes
	/// on. A pass that waits for the recording is timed with its wait, so a
	/// recording that cannot keep the camera's pace shows as passes longer
	/// than a frame.
	void runAtCameraPace(benchmark::State& state, double framesPerSecond);

	std::unique_ptr<Application> app;
	std::vector<b2Body*> balls;
	/// The projector's table, when projecting.
	LitByProjector* table = nullptr;
	/// What the projector shows beside the game.
	PlayScene rewards;
};
