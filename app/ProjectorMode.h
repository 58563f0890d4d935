#pragma once

#include "calibration/ProjectorCalibration.h"
#include "calibration/ProjectorCalibrationRun.h"
#include "core/EventSink.h"
#include "render/ProjectedShapes.h"
#include "render/ProjectorCanvas.h"
#include "tracking/MotionTest.h"

#include <opencv2/core.hpp>

#include <deque>
#include <memory>
#include <string>
#include <vector>

class BoardScanner;
class Display;
class DrawingAnalysis;
class PhysicsScene;
struct RectifiedBoard;
class Stillness;

/// Passes on a sink to another, noting where the portal shattered something.
class ShatterWatch : public EventSink
{
public:
	void report(Event event) override;
	bool listening() const override { return true; }

	EventSink* next = nullptr;
	/// World positions of the shatters since the last take.
	std::vector<cv::Point2f> shatters;
};

/// Projector mode: the game shown on the board by a projector above the table.
///
/// It keeps the "projector" window and the calibration (camera pixels to
/// projector pixels, the camera's latency), and measures it: at the first
/// start, on key c, and by itself when the camera no longer sees the light
/// where the calibration puts it (the camera or the projector has moved).
/// Every pass it draws the game into the projector's picture, each moving body
/// where it will be when the camera sees it. It keeps its own light out of
/// the still detection and the scans: the camera picture has moved only where
/// it changed by more than the projector's light was expected to change it,
/// and a rescan waits for a frame the camera took after the projector had
/// been black long enough.
class ProjectorMode
{
public:
	/// The projector's picture is the desktop rectangle `screen`; the
	/// calibration is kept in `calibrationFile`, and holds for the camera
	/// parameters of `cameraParametersFile`; events go on to `trace`. The
	/// projector goes black when `stillness` waits for a dark frame.
	ProjectorMode(cv::Rect screen, Display& display, std::string calibrationFile, std::string cameraParametersFile,
		EventSink& trace, Stillness& stillness);

	/// Where the physics' events go: shatters are burst on the board, and
	/// every event goes on to the trace.
	EventSink& events() { return watch; }

	/// Take `given` as the calibration rather than reading or measuring one.
	void useCalibration(const ProjectorCalibration& given);
	/// Read the calibration file; one that is damaged, fits another projector
	/// or was measured with other camera parameters is said, and the
	/// projector measured again.
	void readCalibration();
	/// Open the window. A calibration made with another camera size is said
	/// and measured again, as is none at all.
	void open(cv::Size cameraSize);

	// The still detection.

	/// Read the camera frame of pass `pass`, with the light the projector was
	/// expected to add taken out; true on motion. Also checks that the light
	/// lands where the calibration says.
	bool sceneMoved(BoardScanner& scanner, int pass);
	/// A still pass: whether the still period's rescan reads this pass's
	/// frame. A few passes before the rescan threshold (as many as the camera
	/// needs to see the projector black), the projector goes black until a
	/// dark frame is scanned: the rescan comes at the threshold, as it does
	/// without a projector, on a frame taken after the projector had been
	/// black long enough, which is then the one scanned and compared with next.
	bool rescanDue(BoardScanner& scanner, int pass);

	// The picture.

	/// This pass's picture: the calibration's next step, or the game drawn on
	/// the board (`board` from the scans; measuring may scan it anew), or black.
	void project(int pass, BoardScanner& scanner, RectifiedBoard& board, const PhysicsScene& scene,
		const DrawingAnalysis& analysis);
	/// Key c measures again; key w outlines the walls, or stops.
	void key(int key);

	bool calibrated() const { return hasCalibration; }
	bool calibrating() const { return run != nullptr; }
	const ProjectorCalibration& calibration() const { return measured; }
	const ProjectorCanvas& canvas() const { return picture; }
	/// Passes between a picture shown and a camera frame showing it.
	int latency() const { return hasCalibration ? measured.latencyPasses : 0; }

private:
	/// The light of the picture shown in a pass, on the motion test's cells;
	/// unknown for a picture nobody can predict (the calibration's patterns).
	struct ShownLight
	{
		int pass;
		cv::Mat cells;
		bool known;
	};
	/// The light a camera frame may show, cell by cell: the least and the most
	/// of what the pictures it may show give; none (empty) when all were dark.
	struct LightInterval
	{
		cv::Mat least;
		cv::Mat most;
		bool known = true;
	};

	void startCalibration();
	void finishCalibration(BoardScanner& scanner, RectifiedBoard& board);
	/// Draw the game into the picture; returns what was drawn, in board pixels.
	std::vector<ProjectedShape> drawGame(const RectifiedBoard& board, const PhysicsScene& scene,
		const DrawingAnalysis& analysis);
	void showPicture(int pass, cv::Size frameSize, cv::Mat lightCells, bool lightKnown);
	/// The light seen in the frame of pass `pass`, from the pictures it may
	/// show (the latency's, a pass either way).
	LightInterval lightSeenIn(int pass) const;
	/// How the light may have changed from the reference frame to a frame seeing `now`.
	ExpectedLight expectedChange(const LightInterval& now) const;
	/// Watch, in the frame of `pass` that sees `now`, whether the light arrives
	/// where the calibration puts it; when it does not, go dark and say so.
	void checkWhereTheLightLands(const BoardScanner& scanner, const LightInterval& now, int pass);

	Display& display;
	const cv::Rect screen;
	const std::string calibrationFile;
	const std::string cameraParametersFile;
	ShatterWatch watch;
	EventSink& trace;
	Stillness& stillness;

	ProjectorCanvas picture;
	bool hasCalibration = false;
	ProjectorCalibration measured;
	std::unique_ptr<ProjectorCalibrationRun> run;
	/// Key w: the walls of the drawing are outlined, for checking the alignment.
	bool wallOutline = false;
	std::vector<Burst> bursts;

	/// The last pass whose picture gave light.
	int lastLitPass = -1000000;
	/// The last picture shown was black (then a black one need not be shown again).
	bool shownDark = false;

	/// The light of the last pictures shown, oldest first.
	std::deque<ShownLight> shown;
	/// The light the reference frame was seen in.
	LightInterval reference;

	/// Of the cells where light surely arrived or left in one pass, how many
	/// the camera saw too little of.
	struct LightTally
	{
		int pass;
		int cells;
		int missed;
	};
	/// The tallies of the last second of passes, and their sums.
	std::deque<LightTally> lightTallies;
	LightTally lightTotal{0, 0, 0};
	/// Add a pass's tally and drop those older than a second of passes.
	void countLight(const LightTally& tally);
	void forgetLightCounts();
	/// The light lands elsewhere: the game is not shown until measured again.
	bool lightMisplaced = false;
	/// Times the camera's exposure was lowered for a saturated picture.
	int exposureSteps = 0;
};
