#pragma once

#include "markers/ARParam.h"
#include "markers/BoardSheet.h"
#include "scenes/Photography.h"

/// Where a camera is: the rotation (Rodrigues vector) and translation taking
/// board-set coordinates (millimetres, y up) to camera coordinates (y down,
/// z forward).
struct CameraPose
{
	cv::Vec3d rotation;
	cv::Vec3d translation;
};

/// Set plane (z = 0, millimetres) to ideal pixels of a pinhole with these
/// intrinsics at `pose`.
cv::Matx33d planeToPixels(const cv::Matx33d& intrinsics, const CameraPose& pose);

/// The intrinsics of camera parameters.
cv::Matx33d cameraIntrinsics(const ARParam& camera);

/// A camera at one place over a sheet: for every sample of its frame (2 x 2 a
/// pixel) the point of the sheet it sees through the lens's distortion, and
/// in linear light the room's light at every pixel. Made once for a place, it
/// photographs every drawing of sheets of the same size and scale.
class Photographer
{
public:
	/// `sheet` gives the size and scale of the sheets to photograph,
	/// `boardToSet` board pixels to the set's millimetres; `linear` prepares
	/// focus() as well as photograph().
	Photographer(const ARParam& camera, const CameraPose& pose, const SheetImage& sheet, const cv::Matx33d& boardToSet,
		const Photography& photography, bool linear);

	/// The frame in the old order: the 8-bit sheet sampled and lit, the lens,
	/// the fixed grain and compression.
	cv::Mat photograph(const cv::Mat& sheet) const;

	/// In linear light, what the lens puts on the sensor: float BGR in grey
	/// levels, not clipped (a glare is far above 255). The sensor makes the frame.
	cv::Mat focus(const cv::Mat& sheet) const;

	/// Light on the paper (float BGR, camera size) through the lens: the
	/// vignetting, its lateral colour and haze, then the blur.
	void throughLens(cv::Mat& radiance) const;

	/// Set plane (millimetres) to ideal camera pixels.
	const cv::Matx33d& planeToImage() const { return toImage; }
	cv::Size frameSize() const { return size; }

private:
	void sampleSheet(const SheetImage& sheet);
	void lightEveryPixel(const SheetImage& sheet, const cv::Matx33d& boardToSet);

	ARParam camera;
	Photography photography;
	cv::Size size;
	cv::Size sheetSize;
	cv::Matx33d toImage;
	/// Per sample, the sheet picture's pixel it sees (float).
	cv::Mat sheetX;
	cv::Mat sheetY;
	/// Linear light, per pixel: the light falling on the paper, what its
	/// sheen adds (empty without glare), and the lens's vignetting (empty
	/// without), each float BGR.
	cv::Mat light;
	cv::Mat sheen;
	cv::Mat vignetting;
};
