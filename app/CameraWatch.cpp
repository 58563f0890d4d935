#include "app/CameraWatch.h"

#include <algorithm>
#include <cstdio>

void CameraWatch::notePass(const FrameSource& camera, EventSink& trace, StatusLine& status)
{
	const CameraPresence now = camera.presence();
	if (now == m_presence)
	{
		return;
	}
	m_presence = now;
	const std::string name = camera.describe();
	switch (now)
	{
	case CameraPresence::NotFound:
		sayNotFound(camera, trace, status);
		break;
	case CameraPresence::Lost:
		status.set(StatusReason::CameraLost, "camera lost, waiting for it");
		std::fprintf(stderr, "%s: camera lost, waiting for it; the game goes on, and takes up its frames when it is back\n",
			name.c_str());
		trace.report(Event("cameraLost").set("source", name).set("reason", std::string("stopped")));
		break;
	case CameraPresence::Delivering:
		status.clear(StatusReason::NoCamera);
		status.clear(StatusReason::CameraLost);
		std::fprintf(stderr, "%s: the camera gives frames again\n", name.c_str());
		trace.report(Event("cameraBack")
						 .set("source", name)
						 .set("width", double(camera.frameSize().width))
						 .set("height", double(camera.frameSize().height)));
		break;
	}
}

void CameraWatch::sayNotFound(const FrameSource& camera, EventSink& trace, StatusLine& status)
{
	const std::string name = camera.describe();
	const std::vector<VideoDevice> found = m_devices();
	const int index = parseSourceName(name).deviceIndex;
	const auto asked = std::find_if(found.begin(), found.end(), [&](const VideoDevice& d) { return d.index == index; });
	// A camera that is there but gives nothing is barred or busy; one that
	// is not there may yet be plugged in.
	const std::string what = asked == found.end()
		? "no camera at " + name + " (cameras found: " + cameraNames(found) + ")"
		: !asked->problem.empty() ? name + " (" + asked->path + ") cannot be opened: " + asked->problem
								  : name + " (" + asked->path + ", " + asked->name
				+ ") gives no picture: another program may be using it";
	status.set(StatusReason::NoCamera, what + "; waiting for it, or start with --source demo to play without a camera");
	std::fprintf(stderr, "%s; looking for it every second, the game starts when it gives frames; "
		"--list-cameras names the cameras, --source demo plays without one\n", what.c_str());
	trace.report(Event("cameraLost")
					 .set("source", name)
					 .set("reason", std::string("not found"))
					 .set("found", cameraNames(found)));
}
