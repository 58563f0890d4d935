#pragma once

#include <opencv2/core/types.hpp>

#include <string>
#include <vector>

/// A way a camera delivers its frames: their size, their rate and the pixel
/// format they come in (V4L2's four-character code: "MJPG" for JPEG frames,
/// "YUYV" for raw ones). Asked of a camera, a part left empty or at 0 is the
/// camera's to choose.
struct CameraMode
{
	cv::Size size;
	double framesPerSecond = 0.0;
	std::string format;

	/// Nothing in it: all is the camera's choice.
	bool empty() const { return size.empty() && framesPerSecond <= 0.0 && format.empty(); }
};

/// The formats the program asks for: JPEG frames, which every webcam gives at
/// its larger sizes, and raw ones, which carry no compression's blocks.
extern const char* const jpegFormat;
extern const char* const rawFormat;

/// Read `--camera`'s value: WIDTHxHEIGHT, then optionally @FPS, then
/// optionally :mjpg or :raw ("1280x720@30:mjpg", "640x480", "1920x1080:raw").
/// False for anything else, or for values no camera gives.
bool parseCameraMode(const std::string& text, CameraMode& mode);

/// "1280 x 720 at 30 frames a second, MJPG", leaving out what is not known.
std::string describeMode(const CameraMode& mode);

/// What a camera is asked when the user asked nothing: 1280 x 720 at 30
/// frames a second where it offers that, else the mode nearest to it, of at
/// least 640 x 480 where it offers such. Nearest: a mode of at least 15
/// frames a second before a slower one, then the size nearest in pixels, then
/// the rate nearest to 30; raw frames before JPEG ones when both come at that
/// size and rate. Only the two formats the program asks for count; when
/// nothing of them is known, 1280 x 720 at 30 is asked, for the driver to
/// come as near as it can.
CameraMode choosePlayingMode(const std::vector<CameraMode>& offered);

/// The value OpenCV's FOURCC property takes for a format ("MJPG"), and the
/// four characters of one it gives (empty for 0 or an unreadable code).
double fourccValue(const std::string& format);
std::string fourccText(double value);
