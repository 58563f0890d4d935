#pragma once

#include "analysis/DrawingAnalysis.h"
#include "analysis/HandWatch.h"
#include "analysis/InkLayers.h"
#include "app/DataFiles.h"
#include "app/ProjectorMode.h"
#include "app/Trace.h"
#include "app/WorldPace.h"
#include "physics/MouseWalls.h"
#include "physics/PhysicsScene.h"
#include "platform/Display.h"
#include "platform/SteadyClock.h"
#include "render/CameraViewOverlay.h"
#include "render/DebugDrawCV.h"
#include "render/FrameRecorder.h"
#include "render/SideBySideVideo.h"
#include "sound/GameSounds.h"
#include "tracking/BoardScanner.h"
#include "tracking/Stillness.h"
#include "tracking/UnsettledPicture.h"

#include <functional>
#include <memory>

/// The whole program: the platform seams, the four long-lived objects in their
/// fixed order of construction (drawer, scene, scanner, analysis; destroyed in
/// reverse), and the main loop that drives them.
class Application
{
public:
	/// Takes the camera and the display; nothing is started yet. The input
	/// files are read from the data directory `files` names.
	Application(std::unique_ptr<FrameSource> source, std::unique_ptr<Display> display,
		const DataFiles& files = DataFiles());

	/// Start-up: greet, create the world, start the camera, attach the drawer,
	/// open the windows, pace the world (by the clock with a live camera) and
	/// say what is recorded. Returns 0, or 1 after a message when the camera or
	/// the marker files cannot be set up.
	int start();

	/// Run passes until ESC, a closed "game" window or a stop signal, or until
	/// `maxPasses` passes when it is above 0; then write what is still queued,
	/// finish the video and close the trace. Returns the exit status: 0, 1 when
	/// marker detection failed or a pass threw (said in one line), 128 + the
	/// signal after a stop signal.
	int runMainLoop(long maxPasses);

	/// One pass of the main loop. Returns false when the run ends (ESC, the
	/// "game" window closed, or a marker detection that failed).
	bool runPass();

	/// From now on, add what "normal" and "game" show at the end of each pass
	/// to a video file. False, with a one-line `error`, when it cannot be written.
	bool recordVideo(const std::string& path, std::string& error);

	/// The rescan after a successful board scan: colours read as under a
	/// neutral light, hand test, then the drawing analysed (same-map test,
	/// portal, balls, walls and sensor circles) from `scanned`, the board a
	/// scan rectified, which becomes the program's board. `scan`, when given,
	/// is the scan's trace event: it is reported once the hand test has said
	/// whether the rescan is held back, and why. Public so that a board image
	/// can be analysed without a camera.
	void analyseScannedBoard(const RectifiedBoard& scanned, Event* scan = nullptr);

	/// The rescan of a still scene: scan the board, then analyse it. Public so
	/// that it can be measured on its own.
	void rescan();

	/// Project the game onto the board from the next start on: the projector's
	/// picture is the desktop rectangle `screen`. The calibration is `given`, or
	/// read from the data directory, or measured in the first passes. After
	/// start, projection begins with the next pass.
	void useProjector(cv::Rect screen, const ProjectorCalibration* given = nullptr);

	/// Play the game's sounds: every pass's events reach them as the pass
	/// ends, the key m mutes them, the end of the run closes them. Once.
	void playSounds(std::unique_ptr<GameSounds> sounds);

	/// Seconds from some fixed moment: the clock the program's time goes by
	/// (the steady clock unless set).
	void setClock(std::function<double()> clock) { m_clock = std::move(clock); }
	/// Rescans read the board's colours as under a neutral light; off only to
	/// measure what that costs.
	void setReadColoursAsNeutral(bool neutral) { m_readColoursAsNeutral = neutral; }

	/// The windows.
	Display& getDisplay() { return *m_display; }
	/// Where every pass's record goes: add sinks, or open a file, before start.
	Trace& trace() { return m_trace; }
	/// The world and its bodies.
	PhysicsScene& scene() { return m_scene; }
	const PhysicsScene& scene() const { return m_scene; }
	/// The camera side: frames, the motion test, the board's scans.
	BoardScanner& scanner() { return m_scanner; }
	const BoardScanner& scanner() const { return m_scanner; }
	/// The drawing's analysis, with what it keeps between rescans.
	DrawingAnalysis& analysis() { return m_analysis; }
	const DrawingAnalysis& analysis() const { return m_analysis; }
	/// How long the camera picture has kept still, and whether a scan is due.
	const Stillness& stillness() const { return m_stillness; }
	Stillness& stillness() { return m_stillness; }
	/// The board as the scans found it.
	const RectifiedBoard& board() const { return m_board; }
	/// The ink of the last rescan's board, from its colours to its contours.
	const InkLayers& ink() const { return m_ink; }
	/// What "warped" and "normal" show, painted afresh every pass.
	const CameraViewPictures& views() const { return m_views; }
	/// Passes run so far; the first pass is number 1.
	int passCount() const { return m_passCount; }
	/// How far the world moves in a pass.
	const WorldPace& pace() const { return m_pace; }
	/// What is kept of every pass (set its mode before start).
	FrameRecorder& recorder() { return m_recorder; }
	/// Projector mode, when asked for; null otherwise.
	const ProjectorMode* projection() const { return m_projection.get(); }

private:
	void runPasses(long maxPasses);

	// The steps of a pass.
	void stepWorld();
	void updateStillness();
	void sayWhyUnsettled();
	bool handleKey(int code);
	void replayDrawing();
	void addVideoFrame();
	void endRun();

	// Steps of the rescan.
	/// A scan that builds nothing: the reason goes into its event (when
	/// there is one), and onto the console once a still period; the scan is
	/// tried again on a newer frame.
	void holdBack(Event* scan, const std::string& why);

	// Start-up helpers.
	void setUpDebugDraw();
	void createWindows();

	// The steps of a pass that projector mode changes; each does what the
	// program always did when there is no projector.
	bool cameraMoved();
	bool rescanDue();
	void projectGame();

	/// First, because the scanner keeps a reference to it.
	std::unique_ptr<Display> m_display;
	/// Before the scanner and the analysis, which read the files it names.
	DataFiles m_files;
	Trace m_trace;

	DebugDrawCV m_debugDraw;
	PhysicsScene m_scene;
	BoardScanner m_scanner;
	DrawingAnalysis m_analysis;
	RectifiedBoard m_board;
	InkLayers m_ink;
	/// The rescans' hand test, with the drawing of the last board it let through.
	HandWatch m_hands;
	/// When the picture is still enough to scan.
	Stillness m_stillness;
	CameraViewPictures m_views;

	int m_passCount = 0;
	/// A picture that does not keep still long enough to be scanned is told.
	UnsettledPicture m_unsettled;
	std::function<double()> m_clock = steadySeconds;
	bool m_readColoursAsNeutral = true;
	/// The stroke being drawn with the mouse in "game".
	PenState m_pen;
	/// The video of the run, when one was asked for.
	std::unique_ptr<SideBySideVideo> m_video;
	std::unique_ptr<ProjectorMode> m_projection;
	/// The game's sounds, when they were asked for.
	std::unique_ptr<GameSounds> m_sounds;
	/// Set at start, following the clock with a live camera.
	WorldPace m_pace;
	/// Last, so that it finishes writing before anything else goes.
	FrameRecorder m_recorder;
};
