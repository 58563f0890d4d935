#pragma once

#include "platform/CameraAutoControls.h"
#include "platform/CameraMode.h"
#include "platform/FrameSource.h"
#include "platform/VideoDevices.h"

#include <opencv2/videoio.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

/// How a camera device is opened and looked for.
struct DeviceSettings
{
	/// The mode asked (--camera); empty: the one choosePlayingMode picks
	/// among what the camera offers.
	CameraMode asked;
	/// A camera that is not there, or stops giving frames, is opened again
	/// every `retrySeconds` until it gives frames; otherwise a failed read
	/// stays failed.
	bool keepLooking = false;
	double retrySeconds = 1.0;
	/// A read while there is no camera waits this long, a frame's time at 30
	/// frames a second, so that the loop goes on at a camera's pace.
	std::chrono::milliseconds idleWait{33};
	/// What camera N offers: the kernel's lists.
	std::function<std::vector<CameraMode>(int)> offered = offeredModesOfDevice;
	/// Seconds on a steady clock.
	std::function<double()> clock;
};

/// Frames from camera device N through OpenCV's V4L2 capture: opened in the
/// mode asked (or the one chosen for play), with one line saying what it
/// gave; looked for again while it gives no frames, when the settings say so;
/// its automatic exposure and white balance held and given back on request.
class CameraFrameSource : public FrameSource
{
public:
	/// Opens camera `index` at once, through `capture` (OpenCV's, or a test's
	/// stand-in that answers as a camera would).
	CameraFrameSource(int index, DeviceSettings settings,
		std::unique_ptr<cv::VideoCapture> capture = std::make_unique<cv::VideoCapture>());

	/// While the camera is looked for, frames may come at any read.
	bool isOpened() const override { return m_settings.keepLooking || m_capture->isOpened(); }
	bool read(cv::Mat& frame) override;
	bool pacesItself() const override { return true; }
	double framesPerSecond() const override;
	cv::Size frameSize() const override;
	std::string describe() const override { return "device:" + std::to_string(m_index); }
	bool scaleExposure(double factor) override { return m_controls.scaleExposure(factor); }
	CameraPresence presence() const override { return m_presence; }
	HeldLight holdLight() override { return m_controls.hold(); }
	void releaseLight() override { m_controls.release(); }

	/// The mode the camera gives, as it says it (empty parts when it does not).
	CameraMode givenMode() const;

private:
	/// Open the camera, ask it for the mode and say what it gave. False when it does not open.
	bool open();
	/// No frame came: the camera is lost, and looked for again when the settings say so.
	void noFrame();

	int m_index;
	DeviceSettings m_settings;
	std::unique_ptr<cv::VideoCapture> m_capture;
	CameraAutoControls m_controls;
	CameraPresence m_presence = CameraPresence::NotFound;
	/// When the camera is next tried again, on the settings' clock.
	double m_nextTry = 0.0;
	/// What the camera gave when it was last opened, as said on the console.
	std::string m_given;
};
