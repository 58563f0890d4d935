#pragma once

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

/// How a picture is taken: the room's light, then the webcam's own blur,
/// sensor noise and compression. The defaults are the mild blur and noise of
/// every synthetic frame, without compression.
struct Photography
{
	RoomLight light;
	/// Gaussian blur of the lens, sigma in camera pixels.
	double blur = 0.6;
	/// Sensor noise, standard deviation in grey levels.
	double noise = 2.0;
	/// JPEG quality of the delivered frame, 1 to 100; 0 delivers it uncompressed.
	int jpegQuality = 0;
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
