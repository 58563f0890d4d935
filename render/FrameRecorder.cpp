#include "render/FrameRecorder.h"

#include "platform/WholeFile.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

namespace
{

const char* const recordFolder = "video";

/// Frame pairs that may wait for the writer; beyond that the main loop waits.
constexpr std::size_t queuedPairs = 4;

/// A pass of the demo is a 60th of a second of the game: without a live
/// camera the videos play at that rate.
constexpr double gameFramesPerSecond = 60.0;

/// How long the recording runs before its rate is said.
constexpr std::chrono::seconds rateMeasuredOver(3);

/// The loop is watched in windows of this length; when it spent more than
/// this share of one waiting for the recording, it does not keep up.
constexpr std::chrono::seconds paceWindow(1);
constexpr double waitingShareTooMuch = 0.1;

double seconds(std::chrono::steady_clock::duration duration)
{
	return std::chrono::duration<double>(duration).count();
}

std::string durationText(double totalSeconds)
{
	char text[64];
	if (totalSeconds < 120.0)
	{
		std::snprintf(text, sizeof text, "%.0f seconds", totalSeconds);
	}
	else if (totalSeconds < 2.0 * 3600.0)
	{
		std::snprintf(text, sizeof text, "%.0f minutes", totalSeconds / 60.0);
	}
	else
	{
		std::snprintf(text, sizeof text, "%.1f hours", totalSeconds / 3600.0);
	}
	return text;
}

}  // namespace

/// Each kind of failure is said once per run, not on every pass. Failures
/// are seen on the writer's threads as well as on the main thread.
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
	return [](const std::string& path, const std::vector<uchar>& bytes, const RenameTurn& turn) {
		return writeWholeFile(path, bytes.data(), bytes.size(), turn);
	};
}

const char* FrameRecorder::folder()
{
	return recordFolder;
}

FrameRecorder::FrameRecorder(FrameWriter::FileWrite writeFile, DiskSpaceQuery diskSpace)
	: diskSpace(std::move(diskSpace)), complaints(std::make_shared<Complaints>())
{
	// The free space is measured after each file, on the writer's thread.
	this->writeFile = [this, write = std::move(writeFile)](
						  const std::string& path, const std::vector<uchar>& bytes, const RenameTurn& turn) {
		const std::error_code error = write(path, bytes, turn);
		measureFreeSpace();
		return error;
	};
}

void FrameRecorder::measureFreeSpace()
{
	DiskSpace space;
	if (diskSpace(recordFolder, space))
	{
		std::lock_guard<std::mutex> lock(spaceMutex);
		freeSpace = space;
	}
}

FrameRecorder::~FrameRecorder()
{
	close();
}

void FrameRecorder::setLiveCamera(double framesPerSecond)
{
	live = true;
	cameraFramesPerSecond = framesPerSecond;
}

void FrameRecorder::announce()
{
	std::error_code error;
	if (mode == RecordMode::None || (mode == RecordMode::FramesIfFolder && !std::filesystem::is_directory(recordFolder, error)))
	{
		return;
	}
	if (mode != RecordMode::FramesIfFolder && !std::filesystem::is_directory(recordFolder, error)
		&& !std::filesystem::create_directory(recordFolder, error))
	{
		std::fprintf(stderr, "cannot make folder \"%s\" (%s); nothing is recorded\n", recordFolder, error.message().c_str());
		mode = RecordMode::None;
		return;
	}
	const char* what = mode == RecordMode::Video
		? "camera.avi, the camera frames, lossless, and game.avi, the windows side by side"
		: "rawN.png and gameN.png, the camera and game pictures of every pass";
	measureFreeSpace();
	DiskSpace space;
	{
		std::lock_guard<std::mutex> lock(spaceMutex);
		space = freeSpace;
	}
	if (space.total == 0)
	{
		std::printf("recording into folder \"%s\": %s\n", recordFolder, what);
		return;
	}
	const std::uint64_t floor = keepFree ? *keepFree : defaultKeepFree(space.total);
	std::printf("recording into folder \"%s\": %s; %s free there, recording stops when %s are left (--keep-free)\n",
		recordFolder, what, formatByteSize(space.free).c_str(), formatByteSize(floor).c_str());
	std::fflush(stdout);
}

bool FrameRecorder::recording() const
{
	return mode != RecordMode::None && !budgetSpent && !(writer && writer->hasGivenUp());
}

void FrameRecorder::recordPass(const PassPictures& pictures)
{
	if (!recording() || !withinBudget())
	{
		recordIndex += 1;
		return;
	}
	if (mode == RecordMode::Video)
	{
		if (!videos)
		{
			videos = std::make_unique<VideoRecorder>(recordFolder,
				live && cameraFramesPerSecond > 0.0 ? cameraFramesPerSecond : gameFramesPerSecond,
				[this] { measureFreeSpace(); });
		}
		videos->record(pictures.camera, pictures.painted, pictures.game);
		recordIndex += 1;
	}
	else
	{
		recordFrame(pictures.motion, pictures.painted);
	}
	watchPace();
}

bool FrameRecorder::withinBudget()
{
	DiskSpace space;
	{
		std::lock_guard<std::mutex> lock(spaceMutex);
		space = freeSpace;
	}
	if (budgetSpent || space.total == 0)
	{
		return !budgetSpent;
	}
	const std::uint64_t floor = keepFree ? *keepFree : defaultKeepFree(space.total);
	if (space.free >= floor)
	{
		return true;
	}
	budgetSpent = true;
	std::fprintf(stderr, "%s: %s free, less than the %s kept free (--keep-free); recording stops, what it recorded is kept\n",
		recordFolder, formatByteSize(space.free).c_str(), formatByteSize(floor).c_str());
	return false;
}

void FrameRecorder::watchPace()
{
	if (!writer && !videos)
	{
		return;
	}
	const Clock::time_point now = Clock::now();
	if (!firstPass)
	{
		firstPass = now;
		windowStart = now;
		windowWaitedBefore = waited();
	}
	DiskSpace space;
	{
		std::lock_guard<std::mutex> lock(spaceMutex);
		space = freeSpace;
	}
	const Clock::duration recorded = now - *firstPass;
	if (!rateSaid && recorded >= rateMeasuredOver && space.total > 0)
	{
		rateSaid = true;
		const double bytesPerSecond = double(bytesWritten()) / seconds(recorded);
		const std::uint64_t floor = keepFree ? *keepFree : defaultKeepFree(space.total);
		const double room = space.free > floor ? double(space.free - floor) : 0.0;
		std::printf("recording fills the disk at about %s a minute; the %s free above the %s kept free last about %s\n",
			formatByteSize(std::uint64_t(bytesPerSecond * 60.0)).c_str(), formatByteSize(std::uint64_t(room)).c_str(),
			formatByteSize(floor).c_str(), bytesPerSecond > 0.0 ? durationText(room / bytesPerSecond).c_str() : "for ever");
		std::fflush(stdout);
	}
	windowPasses += 1;
	if (now - windowStart < paceWindow)
	{
		return;
	}
	const double windowSeconds = seconds(now - windowStart);
	const double waitingShare = seconds(waited() - windowWaitedBefore) / windowSeconds;
	const double passesPerSecond = windowPasses / windowSeconds;
	if (live && !slownessSaid && waitingShare > waitingShareTooMuch)
	{
		slownessSaid = true;
		char camera[64] = "";
		if (cameraFramesPerSecond > 0.0)
		{
			std::snprintf(camera, sizeof camera, " against the camera's %.0f", cameraFramesPerSecond);
		}
		std::fprintf(stderr,
			"recording cannot keep up: %.0f passes a second%s, the loop waits for it %.0f %% of the time; "
			"record less (--record video, or --record none) or set the camera to a smaller frame size\n",
			passesPerSecond, camera, 100.0 * waitingShare);
	}
	windowStart = now;
	windowPasses = 0;
	windowWaitedBefore = waited();
}

std::uint64_t FrameRecorder::bytesWritten() const
{
	return writer ? writer->bytesWritten() : videos ? videos->bytesWritten() : 0;
}

std::chrono::steady_clock::duration FrameRecorder::waited() const
{
	return writer ? writer->waited() : videos ? videos->waited() : Clock::duration();
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
	if (videos)
	{
		videos->finish();
	}
}

void FrameRecorder::close()
{
	finish();
	if (videos)
	{
		videos->close();
	}
}

bool FrameRecorder::hasStopped() const
{
	return budgetSpent || (writer && writer->hasGivenUp()) || (videos && videos->hasStopped());
}
