#pragma once

#include "core/EventSink.h"
#include "core/StatusLine.h"
#include "platform/FrameSource.h"
#include "platform/VideoDevices.h"

#include <functional>
#include <string>
#include <vector>

/// Whether the camera gives frames, told as the user meets it: when it is
/// not there or stops giving frames, and when it comes back, one line on the
/// console and an event in the trace (`cameraLost`, `cameraBack`); while it
/// is away, the players' status line says so (no camera, camera lost).
class CameraWatch
{
public:
	using DeviceList = std::function<std::vector<VideoDevice>()>;

	/// `devices` names the cameras present, for the line that says the one
	/// asked for is not there.
	explicit CameraWatch(DeviceList devices = [] { return findVideoDevices(); }) : m_devices(std::move(devices)) {}

	/// One pass, after its frame was read from `camera`.
	void notePass(const FrameSource& camera, EventSink& trace, StatusLine& status);

private:
	/// The camera asked for is not there (or gives no picture from the start).
	void sayNotFound(const FrameSource& camera, EventSink& trace, StatusLine& status);

	DeviceList m_devices;
	CameraPresence m_presence = CameraPresence::Delivering;
};
