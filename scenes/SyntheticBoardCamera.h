#pragma once

#include "markers/ARMultiMarker.h"
#include "markers/ARParam.h"
#include "markers/BoardSheet.h"
#include "platform/FrameSource.h"
#include "scenes/BoardDrawing.h"
#include "scenes/Photographer.h"
#include "scenes/Photography.h"

#include <memory>
#include <string>

/// A camera `distance` millimetres from `target` on the board, looking at it:
/// straight down, then tilted by `tilt` degrees about the board's horizontal,
/// then turned by `turn` degrees about its line of sight.
CameraPose viewOfBoard(double distance, double tilt, double turn, cv::Point2d target = cv::Point2d());

/// What a perfect tracker would report for a picture.
struct BoardTruth
{
	/// Ideal (undistorted) camera pixels to board pixels.
	cv::Matx33d homography;
	/// Centres of markers 0, 2, 5 and 3 in the frame as the lens puts them,
	/// and where a distortion-free lens would.
	std::vector<cv::Point2f> cornerCentres;
	std::vector<cv::Point2f> idealCornerCentres;
	/// Portal card corners in board pixels, in the scan's zigzag order
	/// (portalCornerSigns); empty without a portal.
	std::vector<cv::Point2f> portalCorners;
	/// Corners of the drawing area in board pixels, top-left and bottom-right.
	std::vector<cv::Point2f> innerCorners;
};

/// What a synthetic camera is made of, read from the files the tracker reads.
struct BoardCameraFiles
{
	ARParam camera = {};
	ARMultiMarkerInfoT board;
	ARMultiMarkerInfoT portal;
};

/// The camera parameters for frames of `frameSize`, scaled as the program
/// scales the camera file to the frames it gets (arParamChangeSize); the same
/// parameters for an empty size.
ARParam cameraForFrames(const ARParam& camera, cv::Size frameSize);

/// Read the camera parameters and the board and portal sets. False with a
/// one-line `error` naming the file when one cannot be used.
bool readBoardCameraFiles(const char* cameraParamFile, const char* boardFile, const char* portalFile,
	BoardCameraFiles& files, std::string& error);

/// A camera looking at a printed board with a drawing on it: it renders the
/// sheet, photographs it through the camera parameters at a pose (lens
/// distortion, the room's light, blur, noise and compression as `photography`
/// says, at the frame size it asks for) and delivers that same frame on every
/// read. The sheet is finer for frames wider than 640 pixels.
class SyntheticBoardCamera : public FrameSource
{
public:
	SyntheticBoardCamera(ARMultiMarkerInfoT board, ARMultiMarkerInfoT portal, ARParam camera, BoardDrawing drawing,
		CameraPose pose, Photography photography = Photography());

	/// Photographs a given sheet picture instead, for instance a printed board
	/// read back from its file. Its centre must be the board set's origin.
	SyntheticBoardCamera(SheetImage sheet, ARMultiMarkerInfoT board, ARParam camera, CameraPose pose,
		Photography photography = Photography());

	/// The board and portal sets and the camera from their files (the files
	/// the tracker reads). Null with a one-line `error` when one cannot be read.
	static std::unique_ptr<SyntheticBoardCamera> fromFiles(const char* cameraParamFile, const char* boardFile,
		const char* portalFile, BoardDrawing drawing, CameraPose pose, std::string& error,
		Photography photography = Photography());

	bool isOpened() const override { return true; }
	bool read(cv::Mat& frame) override;
	bool pacesItself() const override { return false; }
	cv::Size frameSize() const override { return cv::Size(camera.xsize, camera.ysize); }
	std::string describe() const override { return "demo"; }

	/// Move the camera; the next reads show the new view.
	void setPose(const CameraPose& newPose);

	const BoardTruth& truth() const { return groundTruth; }
	/// The sheet as printed and drawn on, before the camera.
	const SheetImage& sheet() const { return paper; }
	/// The frame the reads deliver.
	const cv::Mat& picture() const { return frame; }
	/// In linear light, what the lens put on the sensor before the frame was
	/// made of it (float BGR, grey levels); empty in the old order.
	const cv::Mat& focalPlane() const { return focal; }

	/// Board pixels to set millimetres and back.
	cv::Point2d boardToMm(cv::Point2f boardPixel) const;
	const cv::Matx33d& boardPixelsToMm() const { return boardToSet; }
	cv::Point2f mmToBoard(cv::Point2d mm) const;

private:
	void placeBoard();
	void drawOnSheet(const BoardDrawing& drawing);
	void photograph();

	ARMultiMarkerInfoT board;
	ARMultiMarkerInfoT portal;
	ARParam camera;
	CameraPose pose;
	Photography photography;
	bool hasPortal = false;
	/// Portal frame to set frame (millimetres).
	cv::Matx33d portalPlacement = cv::Matx33d::eye();
	/// Board pixels to set millimetres.
	cv::Matx33d boardToSet;
	SheetImage paper;
	cv::Mat frame;
	cv::Mat focal;
	BoardTruth groundTruth;
};
