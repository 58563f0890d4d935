#pragma once

#include "scenes/CameraStages.h"
#include "scenes/LocalLight.h"

#include <opencv2/core.hpp>

/// How a room lights the board, as a webcam records it. The light is a factor
/// on every colour the sheet reflects: a cast (per channel), an exposure, a
/// fall-off across the board and a darkening towards the picture's corners.
/// The defaults are an evenly lit room whose white reads white.
struct RoomLight
{
	/// Factors of the blue, green and red channels: the cast of the light, or
	/// the white balance the camera failed to make.
	cv::Vec3d cast = cv::Vec3d(1.0, 1.0, 1.0);
	/// Overall brightness; 0.6 is a dim evening room, 1.2 a bright one.
	double exposure = 1.0;
	/// Light lost from one edge of the board to the other (0.2: the far side
	/// gets a fifth less), falling off in the direction `gradientAngle`
	/// (degrees, 0 towards the board's right, 90 towards its top).
	double gradient = 0.0;
	double gradientAngle = 0.0;
	/// Light lost at the corners of the picture, growing with the square of
	/// the distance from its centre (a lens's vignetting).
	double vignetting = 0.0;

	bool isEven() const;
};

/// The cast of light of a colour temperature in kelvin, relative to daylight
/// at 6500 K, as a camera balanced for daylight records it: 2700 K (a
/// tungsten bulb) reads strongly orange, 10000 K bluish. Valid from 1000 K to
/// 40000 K.
cv::Vec3d colourTemperatureCast(double kelvin);

/// Rolling bands: a sensor reads its rows one after the other, so a
/// flickering lamp lights some rows more than others. Row r of the frame of
/// pass p is brighter by the factor 1 + amplitude * sin(2 pi (r + speed p) / period).
struct RollingBands
{
	double amplitude = 0.0;
	/// Rows from one bright band to the next.
	double period = 120.0;
	/// Rows the bands roll down the picture a pass.
	double speed = 10.0;
};

/// What the webcam's automatic exposure and white balance make of a frame, on
/// top of the room's light: 1 is as the scene starts.
struct CameraSettings
{
	double exposure = 1.0;
	/// Gains of the blue, green and red channels.
	cv::Vec3d balance = cv::Vec3d(1.0, 1.0, 1.0);

	bool operator==(const CameraSettings& other) const
	{
		return exposure == other.exposure && balance == other.balance;
	}
};

/// How a picture is taken: the room's light, then the webcam's own blur,
/// sensor noise and compression. The defaults are the mild blur and noise of
/// every synthetic frame, without compression.
///
/// Two orders of taking it. The old one, for scenes that use none of the light
/// across the board and none of the sensor's changes from frame to frame: the
/// room's light on the 8-bit sheet, then blur, a grain fixed for the whole
/// scene and compression, every frame of a state the same. In linear light
/// (inLinearLight): the sheet's reflectance under the light at each point, the
/// lens, then the sensor frame by frame (its exposure and white balance,
/// flicker and bands, grain, clipping at 255), then compression.
struct Photography
{
	RoomLight light;
	/// Shadows, patches of other light, lamps and glare.
	LocalLight local;
	/// Gaussian blur of the lens, sigma in camera pixels.
	double blur = 0.6;
	/// Sensor noise, standard deviation in grey levels.
	double noise = 2.0;
	/// New grain in every frame, as a real sensor has; otherwise every frame
	/// has the same grain, so the same state gives the same frame.
	bool freshGrain = false;
	/// JPEG quality of the delivered frame, 1 to 100; 0 delivers it uncompressed.
	int jpegQuality = 0;
	/// The frames' size, the camera parameters scaled to it as the program
	/// scales them; empty for the camera file's own size.
	cv::Size frameSize;
	/// LED lamps on mains power: each frame is brighter by the factor
	/// 1 + flicker * sin(phase), the phase new in every frame.
	double flicker = 0.0;
	RollingBands bands;
	/// What the webcam's own processing does to the picture.
	CameraStages stages;
	/// The grain is drawn from this seed (0: the one every scene always had).
	int seed = 0;

	/// Taken in linear light, frame by frame (see above).
	bool inLinearLight() const
	{
		return !local.empty() || freshGrain || flicker > 0.0 || bands.amplitude > 0.0 || stages.any();
	}
};

/// Light the sampled sheet, 8-bit BGR, in place. `sheetX` and `sheetY` (float)
/// hold for every pixel its place on the sheet picture of `sheetSize`, for the
/// fall-off across the board; vignetting follows the pixel's place in
/// `sampled`. Nothing changes under an even light.
void lightSheet(cv::Mat& sampled, const cv::Mat& sheetX, const cv::Mat& sheetY, cv::Size sheetSize,
	const RoomLight& light);

/// The webcam's own flaws on a lit frame, 8-bit BGR, in place: blur, noise
/// (from a fixed seed, so the same scene gives the same frame) and JPEG.
void developFrame(cv::Mat& frame, const Photography& photography);

/// The lens's blur, in place: a Gaussian of `sigma` camera pixels, a kernel of
/// about two sigmas each way; nothing for 0.
void blurByLens(cv::Mat& image, double sigma);

/// A JPEG of `quality` (1 to 100) read back, in place; nothing for 0.
void compressAsJpeg(cv::Mat& frame, int quality);
