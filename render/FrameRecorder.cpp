#include "render/FrameRecorder.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

namespace
{

/// The recorder writes here and never creates it: no folder, no recording.
const char* const recordFolder = "video";

/// Frame pairs that may wait for the writer; beyond that the main loop waits.
constexpr std::size_t queuedPairs = 4;

/// A failing folder is mentioned once per run, not on every pass. Failures
/// are seen on the writer's thread as well as on the main thread.
std::atomic<bool> folderTroubleReported{false};

void reportFolderTrouble()
{
	if (folderTroubleReported.exchange(true))
	{
		return;
	}
	std::error_code error;
	if (std::filesystem::is_directory(recordFolder, error))
	{
		std::fprintf(stderr, "cannot write frames into folder \"%s\"; frames are not recorded\n", recordFolder);
	}
	else
	{
		std::fprintf(stderr, "no folder \"%s\" here; frames are not recorded\n", recordFolder);
	}
}

}  // namespace

void FrameRecorder::recordFrame(const cv::Mat& motionFrame, const cv::Mat& cameraFrame)
{
	// Both files of a pass carry the same number; the number advances even
	// when nothing could be written.
	const std::string number = std::to_string(recordIndex);
	recordIndex += 1;
	// An empty image (no camera frame yet) is skipped quietly.
	if (motionFrame.empty() && cameraFrame.empty())
	{
		return;
	}
	// Without the folder nothing could be written: nothing is encoded.
	std::error_code error;
	if (!std::filesystem::is_directory(recordFolder, error))
	{
		reportFolderTrouble();
		return;
	}
	if (!writer)
	{
		writer = std::make_unique<FrameWriter>(2 * queuedPairs, reportFolderTrouble);
	}
	// The motion frame is never changed, only replaced, so its pixels can be
	// shared; in a still scene the writer sees the same pixels again and does
	// not encode them twice. The camera picture is painted into on the next
	// pass when the camera gives no new frame, so the writer gets a copy.
	if (!motionFrame.empty())
	{
		writer->write(std::string(recordFolder) + "/raw" + number + ".png", motionFrame);
	}
	if (!cameraFrame.empty())
	{
		writer->write(std::string(recordFolder) + "/game" + number + ".png", cameraFrame.clone());
	}
}

void FrameRecorder::finish()
{
	if (writer)
	{
		writer->finish();
	}
}
