#pragma once

#include "platform/Display.h"
#include "platform/FrameSource.h"
#include "calibration/ProjectorFit.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <deque>
#include <map>
#include <memory>
#include <string>

// The projector's light on the demo's table, for the passes that project.

/// A projector picture of a common size, and a camera-to-projector map that
/// puts the board about where a projector above it would.
inline const cv::Rect projectorScreen(1920, 0, 1280, 800);

inline ProjectorCalibration benchProjectorCalibration()
{
	ProjectorCalibration calibration;
	calibration.projectorSize = projectorScreen.size();
	calibration.cameraSize = cv::Size(640, 480);
	calibration.cameraToProjector = cv::Matx33d(2.0, 0.05, 10.0, -0.03, 1.9, 20.0, 0.0, 0.0001, 1.0);
	calibration.latencyPasses = 2;
	// White paper gains a third of full white under the projector, and the room lights it to 0.6: LitByProjector's table, unclipped.
	calibration.paperLight = cv::Vec3d::all(89.0);
	return calibration;
}

/// The demo camera under a projector: each frame gets the light of what the
/// "projector" window showed `latency` + 1 reads before, where the bench's
/// calibration says it lands, as a projector on the table would add it. The
/// program's check that its light arrives where expected then finds it, and
/// the passes measured are passes of play. Lighting the frame is the table's
/// work, not the program's: it is left out of the timing.
class LitByProjector : public FrameSource
{
public:
	explicit LitByProjector(std::unique_ptr<FrameSource> camera) : camera(std::move(camera)) {}

	bool isOpened() const override { return camera->isOpened(); }
	bool pacesItself() const override { return camera->pacesItself(); }
	cv::Size frameSize() const override { return camera->frameSize(); }
	std::string describe() const override { return camera->describe(); }

	bool read(cv::Mat& frame) override
	{
		if (!camera->read(frame))
		{
			return false;
		}
		if (timing != nullptr)
		{
			timing->PauseTiming();
		}
		// A room dimmed for the projector, as on a real table: its light
		// shows on the paper rather than clipping there.
		frame.convertTo(frame, -1, roomShare);
		const auto shown = display != nullptr ? display->lastImages().find("projector") : std::map<std::string, cv::Mat>::const_iterator();
		if (display != nullptr && shown != display->lastImages().end())
		{
			shownPictures.push_back(shown->second.clone());
			if (shownPictures.size() > size_t(latency + 1))
			{
				shownPictures.pop_front();
			}
		}
		if (shownPictures.size() == size_t(latency + 1))
		{
			cv::Mat light;
			cv::warpPerspective(shownPictures.front(), light, cameraToProjector, frame.size(),
				cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
			cv::scaleAdd(light, lightShare, frame, frame);
		}
		if (timing != nullptr)
		{
			timing->ResumeTiming();
		}
		return true;
	}

	const Display* display = nullptr;
	cv::Matx33d cameraToProjector;
	int latency = 0;
	benchmark::State* timing = nullptr;

private:
	static constexpr double roomShare = 0.6;
	static constexpr double lightShare = 0.35;
	std::unique_ptr<FrameSource> camera;
	std::deque<cv::Mat> shownPictures;
};
