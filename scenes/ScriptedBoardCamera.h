#pragma once

#include "scenes/SceneScript.h"
#include "scenes/SimulatedProjector.h"
#include "scenes/SyntheticBoardCamera.h"

#include <map>
#include <memory>

/// The synthetic camera playing a scene: each read is one pass of the main
/// loop and shows the board as the scene's timeline has it then, with its
/// drawing, the hand and the camera's place. Rendering is slow, so each
/// distinct view is rendered once and kept; a scene that returns to an earlier
/// state shows exactly the earlier frame.
class ScriptedBoardCamera : public FrameSource
{
public:
	ScriptedBoardCamera(SceneScript script, ARMultiMarkerInfoT board, ARMultiMarkerInfoT portal, ARParam camera);

	/// The scene and the board, portal and camera from their files. Null with a
	/// one-line `error` when one cannot be read.
	static std::unique_ptr<ScriptedBoardCamera> fromFiles(const std::string& sceneFile, const char* cameraParamFile,
		const char* boardFile, const char* portalFile, std::string& error);

	bool isOpened() const override { return true; }
	/// The frame of the next pass.
	bool read(cv::Mat& frame) override;
	bool pacesItself() const override { return false; }
	cv::Size frameSize() const override { return cv::Size(camera.xsize, camera.ysize); }
	std::string describe() const override { return "demo"; }

	/// The frame of a pass (from 1), whatever has been read so far.
	const cv::Mat& frameOfPass(int pass);

	/// Passes read so far.
	int passesRead() const { return passCount; }
	const SceneScript& scene() const { return script; }
	/// Frames rendered so far.
	size_t renderedFrames() const { return frames.size(); }

	/// The scene's projector, or null when it has none. Its light is added to
	/// every frame read, on top of the kept room-lit frame.
	SimulatedProjector* projector() { return lamp.get(); }

private:
	/// Add the projector's light to the frame of a pass.
	void lightByProjector(cv::Mat& frame, const SceneState& state);

	const cv::Mat& render(const SceneState& state);
	SyntheticBoardCamera& mapCamera(int map);

	SceneScript script;
	ARMultiMarkerInfoT board;
	ARMultiMarkerInfoT portal;
	ARParam camera;
	/// One camera per drawing, made on first use; it holds the drawn sheet.
	std::map<int, std::unique_ptr<SyntheticBoardCamera>> mapCameras;
	std::map<SceneState, cv::Mat> frames;
	int passCount = 0;
	std::unique_ptr<SimulatedProjector> lamp;
};

/// Paint a hand on a sheet: palm, fingers and the forearm reaching past the
/// board's bottom edge, in a skin tone. `palm` is in board pixels; `geometry`
/// is a camera over that sheet, which knows where board pixels lie on it.
void drawHand(SheetImage& sheet, const SyntheticBoardCamera& geometry, cv::Point2f palm);
