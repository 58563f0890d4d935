#pragma once

#include "scenes/Photography.h"

#include <cstdint>

/// The webcam's sensor in linear light: what it makes, frame by frame, of the
/// picture the lens puts on it. Everything that changes from frame to frame
/// is here and cheap: a gain per channel and per row, grain, clipping and
/// the colour mosaic. Each frame is a function of its pass alone, so a scene plays
/// the same every time.
class Sensor
{
public:
	Sensor(const Photography& photography, cv::Size frameSize);

	/// The frame of a pass, 8-bit BGR, from the focal-plane picture (float BGR,
	/// grey levels, not clipped): the camera's exposure and white balance, the
	/// lamps' flicker and rolling bands, the grain, clipped at 0 and 255, and
	/// the colour mosaic interpolated. The camera's processing follows
	/// (CameraProcessing).
	void expose(const cv::Mat& focal, const CameraSettings& settings, int pass, cv::Mat& frame) const;

	/// The flicker's brightness factor in a pass.
	double flickerIn(int pass) const;
	/// The rolling bands' brightness factor of a row in a pass.
	double bandsIn(int row, int pass) const;

private:
	/// Where the grain of a pass starts in `grain`.
	cv::Point grainOffset(int pass) const;

	Photography photography;
	cv::Size size;
	/// Gaussian noise of the photography's sigma, float BGR. For fresh grain
	/// larger than a frame, which each pass reads from another place.
	cv::Mat grain;
};

/// A number from 0 to 1, the same for the same seed and pass, unrelated
/// between passes: what varies from frame to frame, drawn by frame.
double drawOfPass(uint64_t seed, int pass);
