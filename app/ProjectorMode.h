#pragma once

#include "calibration/ProjectorCalibration.h"
#include "calibration/ProjectorCalibrationRun.h"
#include "core/EventSink.h"
#include "render/ProjectorCanvas.h"

#include <opencv2/core.hpp>

#include <deque>
#include <memory>
#include <vector>

/// Passes the pictures in which motion is not looked for, beyond the latency:
/// one for the frame being read, one for a camera that is late now and then.
constexpr int litPassesBeyondLatency = 2;

/// Passes beyond the latency that the projector stays black before a rescan's
/// frame is taken, for a camera that is late now and then.
constexpr int darkPassesBeyondLatency = 1;

/// Camera pixels round what the projector lit that motion is not looked for in:
/// the light's own blur and the calibration's error.
constexpr int litMarginPixels = 4;

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

/// What projector mode keeps between passes: where its window is, the
/// calibration, the picture, a calibration in progress, the rescan waiting for
/// a dark frame, and which camera pixels the projector lit lately (motion is
/// not looked for there).
struct ProjectorMode
{
	explicit ProjectorMode(cv::Rect screen) : screen(screen), canvas(screen.size()) {}

	/// Passes between a picture shown and a camera frame showing it, as measured.
	int latency() const { return calibrated ? calibration.latencyPasses : 0; }

	/// This pass's lit camera pixels (empty for none) join the history; the
	/// pixels of the next read's motion test are then the history's and the
	/// reference frame's.
	void rememberLit(cv::Mat litNow);
	/// The pixels the motion test leaves out: lit lately, or lit when the
	/// reference frame was taken. Empty when there are none.
	const cv::Mat& motionIgnored() const { return ignored; }
	/// The camera took a new reference frame: what it may show lit is what was lit lately.
	void referenceRenewed();

	cv::Rect screen;
	ProjectorCanvas canvas;
	bool calibrated = false;
	ProjectorCalibration calibration;
	std::unique_ptr<ProjectorCalibrationRun> calibrating;
	/// Key w: the walls of the drawing are outlined, for checking the alignment.
	bool wallOutline = false;
	std::vector<Burst> bursts;
	ShatterWatch events;

	/// A rescan is due and waits for the projector to have been black long enough.
	bool darkScanWanted = false;
	int darkScanAsked = 0;
	/// The last pass whose picture gave light.
	int lastLitPass = -1000000;
	/// The last picture shown was black (then a black one need not be shown again).
	bool shownDark = false;
	/// The camera pixels this pass's picture lights; empty for none.
	cv::Mat litNow;

private:
	std::deque<cv::Mat> litHistory;
	cv::Mat recentLit;
	cv::Mat referenceLit;
	cv::Mat combined;
	cv::Mat ignored;
};
