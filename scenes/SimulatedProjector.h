#pragma once

#include "markers/ARParam.h"
#include "markers/BoardSheet.h"
#include "platform/Display.h"
#include "scenes/SceneScript.h"
#include "scenes/SyntheticBoardCamera.h"

#include <deque>
#include <map>

/// A projector above the synthetic camera's table. It shows what the program's
/// "projector" window showed, `latency` camera reads late (one read later now
/// and then, as `jitter` says), and its light adds to the room's: on each part
/// of the table in proportion to what that part reflects (white paper the
/// most, ink and markers hardly at all). Black in the picture adds nothing.
/// Its light is added to a finished frame (light), or, honestly, handed to the
/// camera as light on the paper, for the lens and the sensor (lightOnPaper).
class SimulatedProjector
{
public:
	SimulatedProjector(const ProjectorPlacement& placement, const ARParam& camera);

	/// The display whose "projector" window it shows; until then it shows black.
	/// The display must outlive the projector's reads.
	void watch(const Display& display) { screen = &display; }

	/// How one view of the table (a drawn sheet seen from one camera place)
	/// takes the light: what the table reflects under each camera pixel, and
	/// the projector pixel that lights it. Made once per view, kept under
	/// `view`; where the camera's pixels lie is found once per camera place.
	bool knows(const SceneState& view) const { return footprints.count(view) != 0; }
	void learn(const SceneState& view, const SheetImage& sheet, const CameraPose& cameraPose);

	/// One camera read of a learnt view: the room's frame, dimmed to the room's
	/// share, plus the light of the picture the window showed `latency` reads ago.
	void light(cv::Mat& frame, const SceneState& view);

	/// One camera read of a learnt view, honestly: the light the picture shown
	/// `latency` reads ago throws onto the table, as the paper and ink reflect
	/// it, before the lens (float BGR, grey levels, camera size; the room's
	/// share is the caller's to apply).
	cv::Mat lightOnPaper(const SceneState& view);

	/// Millimetres of the board set's plane to projector pixels: where the
	/// projector's light truly lands.
	const cv::Matx33d& planeToProjector() const { return toProjector; }
	/// Ideal pixels of the camera at `cameraPose` to the projector pixels that
	/// light the same point of the table: the map a perfect calibration finds.
	cv::Matx33d idealCameraToProjector(const CameraPose& cameraPose) const;
	const ProjectorPlacement& placement() const { return where; }
	/// Light added to the last frame, summed over its pixels and channels, and
	/// pixel by pixel, 8-bit (empty when none was). Honestly, the light on the
	/// paper, before the lens and the sensor.
	double lastLight() const { return added; }
	const cv::Mat& lastLightImage() const { return lit; }

private:
	/// Where the samples of a camera at one place lie: on the sheet, and in
	/// the projector's picture (-1 where nowhere).
	struct TableMaps
	{
		cv::Mat sheetX;
		cv::Mat sheetY;
		cv::Mat projectorX;
		cv::Mat projectorY;
	};
	/// A camera place's samples of the sheet (2 x 2 a pixel) and the projector
	/// pixel that lights each camera sample, as cv::convertMaps packs them.
	struct ViewMaps
	{
		cv::Mat sheetX;
		cv::Mat sheetY;
		cv::Mat mapA;
		cv::Mat mapB;
	};

	TableMaps tableMaps(const CameraPose& cameraPose, const SheetImage& sheet, int samples) const;

	/// The picture the camera sees now, and the window's newest one queued.
	cv::Mat delayedPicture();
	/// The picture sampled at each camera pixel of a view, 8-bit; empty for none.
	cv::Mat pictureOnTable(const SceneState& view);

	ProjectorPlacement where;
	ARParam camera;
	cv::Matx33d toProjector;
	const Display* screen = nullptr;
	/// The pictures of the last reads, newest last.
	std::deque<cv::Mat> shown;
	int reads = 0;
	/// By camera place (SceneState::view).
	std::map<int, ViewMaps> places;
	/// What the table reflects under each camera pixel, 255 for white paper,
	/// BGR, by view.
	std::map<SceneState, cv::Mat> footprints;
	double added = 0.0;
	cv::Mat lit;
};
