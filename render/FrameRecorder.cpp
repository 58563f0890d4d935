#include "render/FrameRecorder.h"

#include "platform/WholeFile.h"

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

}  // namespace

/// Each kind of failure is said once per run, not on every pass. Failures
/// are seen on the writer's thread as well as on the main thread.
struct FrameRecorder::Complaints
{
	std::atomic<bool> folder{false};
	std::atomic<bool> diskFull{false};

	void folderTrouble(const std::error_code& error)
	{
		if (folder.exchange(true))
		{
			return;
		}
		std::error_code ignored;
		if (!std::filesystem::is_directory(recordFolder, ignored))
		{
			std::fprintf(stderr, "no folder \"%s\" here; frames are not recorded\n", recordFolder);
		}
		else
		{
			std::fprintf(stderr, "cannot write frames into folder \"%s\" (%s); frames are not recorded\n",
				recordFolder, error.message().c_str());
		}
	}

	/// A full disk takes no file after this one: the recording stops.
	bool writeFailed(const std::string& path, const std::error_code& error)
	{
		if (!isDiskFull(error))
		{
			folderTrouble(error);
			return true;
		}
		if (!diskFull.exchange(true))
		{
			std::fprintf(stderr, "%s: %s; recording in folder \"%s\" stops, the frames before it are kept\n",
				path.c_str(), error.message().c_str(), recordFolder);
		}
		return false;
	}
};

FrameWriter::FileWrite FrameRecorder::defaultFileWrite()
{
	return [](const std::string& path, const std::vector<uchar>& bytes) { return writeWholeFile(path, bytes); };
}

FrameRecorder::FrameRecorder(FrameWriter::FileWrite writeFile)
	: writeFile(std::move(writeFile)), complaints(std::make_shared<Complaints>())
{
}

void FrameRecorder::recordFrame(const cv::Mat& motionFrame, const cv::Mat& cameraFrame)
{
	// Both files of a pass carry the same number; the number advances even
	// when nothing could be written.
	const std::string number = std::to_string(recordIndex);
	recordIndex += 1;
	// An empty image (no camera frame yet) is skipped quietly.
	if ((motionFrame.empty() && cameraFrame.empty()) || (writer && writer->hasGivenUp()))
	{
		return;
	}
	// Without the folder nothing could be written: nothing is copied or encoded.
	std::error_code error;
	if (!std::filesystem::is_directory(recordFolder, error))
	{
		complaints->folderTrouble(std::make_error_code(std::errc::not_a_directory));
		return;
	}
	if (!writer)
	{
		std::shared_ptr<Complaints> said = complaints;
		writer = std::make_unique<FrameWriter>(
			2 * queuedPairs,
			[said](const std::string& path, const std::error_code& failure) { return said->writeFailed(path, failure); },
			writeFile);
	}
	if (!motion.equals(motionFrame))
	{
		motion = FrozenImage(motionFrame);
	}
	if (!motion.empty())
	{
		writer->write(std::string(recordFolder) + "/raw" + number + ".png", motion);
	}
	if (!cameraFrame.empty())
	{
		writer->write(std::string(recordFolder) + "/game" + number + ".png", FrozenImage(cameraFrame));
	}
}

void FrameRecorder::finish()
{
	if (writer)
	{
		writer->finish();
	}
}
