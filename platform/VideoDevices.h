#pragma once

#include "platform/CameraMode.h"

#include <string>
#include <vector>

/// A camera the kernel offers, as V4L2 describes it.
struct VideoDevice
{
	/// Its device file: "/dev/video0".
	std::string path;
	/// Its number, as --source device:N names it.
	int index = -1;
	/// The name its driver gives it ("HD Webcam C270").
	std::string name;
	/// Why it could not be asked anything (no permission, busy); empty when it answered.
	std::string problem;
	/// The sizes, rates and formats it offers.
	std::vector<CameraMode> modes;
};

/// The cameras in `folder` (the kernel's /dev), by their numbers: the files
/// videoN that answer V4L2's capability query as devices that capture video
/// (the second file of a webcam, which carries its metadata, does not), and
/// those that cannot be opened at all, with why.
std::vector<VideoDevice> findVideoDevices(const std::string& folder = "/dev");

/// The modes the camera of device file `path` offers, from V4L2's lists of
/// formats, frame sizes and frame intervals; empty when it does not say.
std::vector<CameraMode> offeredModes(const std::string& path);

/// The same for --source device:N.
std::vector<CameraMode> offeredModesOfDevice(int index);

/// --list-cameras' text: each camera with its sizes and rates by format, or
/// one line saying there is none.
std::string cameraListText(const std::vector<VideoDevice>& devices);

/// The cameras by their device files and names, for a message:
/// "/dev/video0 (HD Webcam C270), /dev/video2 (...)"; "none" for none.
std::string cameraNames(const std::vector<VideoDevice>& devices);
