#pragma once

#include "markers/ARParam.h"
#include "markers/BoardSheet.h"
#include "platform/Display.h"
#include "scenes/SceneScript.h"
#include "scenes/SyntheticBoardCamera.h"

#include <deque>
#include <map>

/// A projector above the synthetic camera's table. It shows what the program's
/// "projector" window showed, `latency` camera reads late, and its light adds
/// to the room's: on each part of the table in proportion to what that part
/// reflects (white paper the most, ink and markers hardly at all). Black in the
/// picture adds nothing.
class SimulatedProjector
{
public:
	SimulatedProjector(const ProjectorPlacement& placement, const ARParam& camera);

	/// The display whose "projector" window it shows; until then it shows black.
	/// The display must outlive the projector's reads.
	void watch(const Display& display) { screen = &display; }

	/// How one view of the table (a drawn sheet seen from one camera place)
	/// takes the light: what the table reflects under each camera pixel, and
	/// the projector pixel that lights it. Made once per view, kept under `view`.
	bool knows(const SceneState& view) const { return footprints.count(view) != 0; }
	void learn(const SceneState& view, const SheetImage& sheet, const CameraPose& cameraPose);

	/// One camera read of a learnt view: the room's frame, dimmed to the room's
	/// share, plus the light of the picture the window showed `latency` reads ago.
	void light(cv::Mat& frame, const SceneState& view);

	/// Millimetres of the board set's plane to projector pixels: where the
	/// projector's light truly lands.
	const cv::Matx33d& planeToProjector() const { return toProjector; }
	/// Ideal pixels of the camera at `cameraPose` to the projector pixels that
	/// light the same point of the table: the map a perfect calibration finds.
	cv::Matx33d idealCameraToProjector(const CameraPose& cameraPose) const;
	const ProjectorPlacement& placement() const { return where; }
	/// Light added to the last frame, summed over its pixels and channels, and
	/// pixel by pixel (empty when none was).
	double lastLight() const { return added; }
	const cv::Mat& lastLightImage() const { return lit; }

private:
	struct Footprint
	{
		/// What the table reflects, 255 for white paper, camera size, BGR.
		cv::Mat reflectance;
		/// Camera pixel to projector pixel, as cv::convertMaps packs them.
		cv::Mat mapA;
		cv::Mat mapB;
	};

	/// The picture the camera sees now, and the window's newest one queued.
	cv::Mat delayedPicture();

	ProjectorPlacement where;
	ARParam camera;
	cv::Matx33d toProjector;
	const Display* screen = nullptr;
	/// The pictures of the last reads, newest last.
	std::deque<cv::Mat> shown;
	std::map<SceneState, Footprint> footprints;
	double added = 0.0;
	cv::Mat lit;
};
