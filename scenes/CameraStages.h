#pragma once

#include <opencv2/core.hpp>

/// What a webcam's own processing does to the picture, beyond the blur, grain
/// and compression every synthetic frame has. In the order light takes: the
/// lens's lateral colour and haze, the sensor's colour mosaic and the camera's
/// interpolation of it, its gain in a dim room, its automatic exposure and
/// white balance, its temporal noise reduction, its sharpening; then the
/// compression. The defaults are none of them.
struct CameraStages
{
	/// The sensor sees one colour a pixel through a colour filter mosaic (red,
	/// green / green, blue), and the camera interpolates the other two.
	bool mosaic = false;
	/// Sharpening of the brightness: the difference from a blur of
	/// `sharpenRadius` pixels (sigma) added `sharpen` times.
	double sharpen = 0.0;
	double sharpenRadius = 1.0;
	/// Temporal noise reduction: where a pixel differs from the last frame by
	/// no more than the grain could, the share `denoise` of the last frame's
	/// value is kept.
	double denoise = 0.0;
	/// Lateral colour: the lens draws red a little larger and blue a little
	/// smaller than green, `lateral` pixels apart at the picture's corners.
	double lateral = 0.0;
	/// A hazy lens: the share `haze` of the light is scattered over the whole
	/// picture (veiling glare), lifting the dark and greying the colours.
	double haze = 0.0;
	/// Automatic exposure and white balance that follow what is in view: each
	/// pass they go a share 1 / `metering` of the way towards what brings the
	/// picture's mean brightness and colour back to the first pass's. 0: fixed.
	int metering = 0;
	/// A dim room: the camera drops to 15 frames a second and still lacks
	/// light, so it raises its gain this many times, and its grain with it.
	double lowLightGain = 1.0;

	/// Any stage is asked for.
	bool any() const
	{
		return mosaic || sharpen > 0.0 || denoise > 0.0 || lateral > 0.0 || haze > 0.0 || metering > 0
			|| lowLightGain != 1.0;
	}
};

/// The lens's lateral colour and haze on the light it puts on the sensor
/// (float BGR), in place.
void throughHazyLens(cv::Mat& radiance, const CameraStages& stages);

/// The colour mosaic: of an 8-bit BGR frame, the sensor keeps one channel a
/// pixel (red, green / green, blue) and the camera interpolates the rest
/// bilinearly, in place.
void interpolateMosaic(cv::Mat& frame);

/// The camera's sharpening of an 8-bit BGR frame's brightness, in place: the
/// colour differences are left as they are.
void sharpenBrightness(cv::Mat& frame, double amount, double radius);
