#pragma once

#include "app/MovedLightCheck.h"
#include "app/ProjectedLightRecord.h"
#include "calibration/ProjectorCalibration.h"
#include "calibration/ProjectorCalibrationRun.h"
#include "core/EventSink.h"
#include "render/ProjectedShapes.h"
#include "render/ProjectorCanvas.h"
#include "tracking/RectifiedBoard.h"

#include <opencv2/core.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class BoardScanner;
class Display;
class DrawingAnalysis;
class PhysicsScene;
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
	EventSink& events() { return m_watch; }

	// The calibration's life (app/ProjectorModeCalibration.cpp).

	/// Take `given` as the calibration rather than reading or measuring one.
	void useCalibration(const ProjectorCalibration& given);
	/// Read the calibration file; one that is damaged, fits another projector
	/// or was measured with other camera parameters is said, and the
	/// projector measured again.
	void readCalibration();
	/// Open the window. A calibration made with another camera size is said
	/// and measured again, as is none at all.
	void open(cv::Size cameraSize);
	/// While measuring: take this pass's camera frame. The measurement ends by
	/// scanning the board (a copy of `board`, the board of the scans) in the
	/// frame the projector left dark; that board is returned, for the game to
	/// be placed on from now on. Nothing otherwise.
	std::optional<RectifiedBoard> measure(int pass, BoardScanner& scanner, const RectifiedBoard& board);

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
	/// Light found misplaced is measured again once the picture keeps still.
	bool rescanDue(BoardScanner& scanner, int pass);

	// The picture.

	/// This pass's picture: the calibration's pattern while measuring, else
	/// the game drawn on `board` (from the scans), or black.
	void project(int pass, const BoardScanner& scanner, const RectifiedBoard& board, const PhysicsScene& scene,
		const DrawingAnalysis& analysis);
	/// Key c measures again; key w outlines the walls, or stops.
	void key(int key);

	/// A calibration is in use.
	bool calibrated() const { return m_hasCalibration; }
	/// The projector is being measured.
	bool calibrating() const { return m_run != nullptr; }
	/// The calibration in use.
	const ProjectorCalibration& calibration() const { return m_calibration; }
	/// The projector's picture.
	const ProjectorCanvas& canvas() const { return m_picture; }
	/// Passes between a picture shown and a camera frame showing it.
	int latency() const { return m_hasCalibration ? m_calibration.latencyPasses : 0; }

private:
	void startCalibration();
	/// The run has ended, done or failed. The board is scanned in its dark
	/// frame into `seen`, a copy of `board`.
	void finishCalibration(BoardScanner& scanner, const RectifiedBoard& board, std::optional<RectifiedBoard>& seen);
	/// Draw the game into the picture; returns what was drawn, in board pixels.
	std::vector<ProjectedShape> drawGame(const RectifiedBoard& board, const PhysicsScene& scene,
		const DrawingAnalysis& analysis);
	/// Show the picture of `pass`, which lights `lightCells` of the camera's
	/// frames (of `frameSize`), or light nobody can predict.
	void showPicture(int pass, cv::Size frameSize, cv::Mat lightCells, bool lightKnown);

	Display& m_display;
	const cv::Rect m_screen;
	const std::string m_calibrationFile;
	const std::string m_cameraParametersFile;
	ShatterWatch m_watch;
	EventSink& m_trace;
	Stillness& m_stillness;

	ProjectorCanvas m_picture;
	bool m_hasCalibration = false;
	ProjectorCalibration m_calibration;
	std::unique_ptr<ProjectorCalibrationRun> m_run;
	/// Times the camera's exposure was lowered for a saturated picture.
	int m_exposureSteps = 0;
	/// Key w: the walls of the drawing are outlined, for checking the alignment.
	bool m_wallOutline = false;
	std::vector<Burst> m_bursts;
	/// The last picture shown was black (then a black one need not be shown again).
	bool m_shownDark = false;

	ProjectedLightRecord m_light;
	MovedLightCheck m_lightCheck;
};
