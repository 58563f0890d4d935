#pragma once

#include "scenes/CameraProcessing.h"
#include "scenes/HandDrawing.h"
#include "scenes/Photographer.h"
#include "scenes/SceneScript.h"
#include "scenes/Sensor.h"
#include "scenes/SimulatedProjector.h"
#include "scenes/SyntheticBoardCamera.h"

#include <map>
#include <memory>

/// The synthetic camera playing a scene: each read is one pass of the main
/// loop and shows the board as the scene's timeline has it then, with its
/// drawing, the hand and the camera's place, at the frame size the scene asks
/// for. Rendering is slow, so where each sample of the frame lies on the sheet
/// is found once for each place of the camera, and each distinct state is
/// rendered once and kept: in the old order its finished frame, so a scene
/// that returns to an earlier state shows exactly the earlier frame; in linear
/// light what the lens puts on the sensor, which the sensor makes a new frame
/// of in every pass (see Photography).
class ScriptedBoardCamera : public FrameSource
{
public:
	/// `camera` is scaled to the scene's frame size, if it gives one.
	ScriptedBoardCamera(SceneScript script, ARMultiMarkerInfoT board, ARMultiMarkerInfoT portal, ARParam camera);
	~ScriptedBoardCamera() override;

	/// The scene and the board, portal and camera from their files. Null with a
	/// one-line `error` when one cannot be read.
	static std::unique_ptr<ScriptedBoardCamera> fromFiles(const std::string& sceneFile, const char* cameraParamFile,
		const char* boardFile, const char* portalFile, std::string& error);

	bool isOpened() const override { return true; }
	/// The frame of the next pass.
	bool read(cv::Mat& frame) override;
	bool pacesItself() const override { return false; }
	/// 15 in a dim room, where the camera slows down for light; unknown otherwise.
	double framesPerSecond() const override;
	cv::Size frameSize() const override { return cv::Size(camera.xsize, camera.ysize); }
	std::string describe() const override { return "demo"; }
	/// A camera whose picture goes through the sensor (inLinearLight) takes
	/// the exposure it is asked for on top of the scene's; the rest cannot.
	bool scaleExposure(double factor) override;

	/// The frame of a pass (from 1), whatever has been read so far, without
	/// the projector's light. Valid until the next call.
	const cv::Mat& frameOfPass(int pass);

	/// Passes read so far.
	int passesRead() const { return passCount; }
	const SceneScript& scene() const { return script; }
	/// The camera parameters of the frames.
	const ARParam& cameraParameters() const { return camera; }
	/// States rendered so far (in linear light, one let go for room and met
	/// again counts again).
	size_t renderedFrames() const { return rendered; }
	/// Frames are taken in linear light.
	bool inLinearLight() const { return linear; }

	/// The scene's projector, or null when it has none. Its light is added to
	/// every frame read: to the kept room-lit frame, or honestly before the
	/// lens and the sensor.
	SimulatedProjector* projector() { return lamp.get(); }

private:
	/// What the lens put on the sensor in a state, kept while there is room.
	struct FocalPlane
	{
		cv::Mat image;
		long lastUse = 0;
	};

	/// Add the projector's light to the frame of a pass.
	void lightByProjector(cv::Mat& frame, const SceneState& state);
	/// The projector knows how the table of a state takes its light.
	void showProjector(const SceneState& state);

	/// The sheet of a state: its map's drawing, the hand over it.
	SheetImage sheetOf(const SceneState& state);
	const Photographer& photographerAt(int view);
	/// The old order's kept frame of a state.
	const cv::Mat& render(const SceneState& state);
	/// Linear light: what the lens puts on the sensor in a state.
	const cv::Mat& focalPlane(const SceneState& state);
	/// The camera's exposure and white balance in a pass: the scene's and
	/// the camera's own metering (the program's is the caller's).
	CameraSettings settingsIn(int pass);
	/// The sensor's frame of a pass, without the projector's light, before
	/// the camera's processing.
	cv::Mat sensedIn(int pass);
	/// The camera's processing of the sensor's frame of a pass, in place.
	void process(int pass, cv::Mat& frame);
	SyntheticBoardCamera& mapCamera(int map);

	SceneScript script;
	ARMultiMarkerInfoT board;
	ARMultiMarkerInfoT portal;
	ARParam camera;
	bool linear;
	/// One camera per drawing, made on first use; it holds the drawn sheet.
	std::map<int, std::unique_ptr<SyntheticBoardCamera>> mapCameras;
	/// One photographer per place of the camera.
	std::map<int, std::unique_ptr<Photographer>> photographers;
	std::map<SceneState, cv::Mat> frames;
	std::map<SceneState, FocalPlane> focalPlanes;
	size_t focalBytes = 0;
	long uses = 0;
	size_t rendered = 0;
	std::unique_ptr<Sensor> sensor;
	std::unique_ptr<CameraProcessing> processing;
	/// The mean colour of each state's focal plane, for the metering.
	std::map<SceneState, cv::Scalar> focalMeans;
	/// frameOfPass's frame in linear light.
	cv::Mat developed;
	int passCount = 0;
	/// Exposure asked for by the program, on top of the scene's.
	double exposureAsked = 1.0;
	std::unique_ptr<SimulatedProjector> lamp;
};
