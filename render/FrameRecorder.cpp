#include "render/FrameRecorder.h"

#include "platform/WholeFile.h"

#include <atomic>
#include <cstdio>
#include <filesystem>

namespace
{

const char* const recordFolder = "video";

/// Frame pairs that may wait for the writer; beyond that the main loop waits.
constexpr std::size_t queuedPairs = 4;

/// Failures that are the folder's: it is gone, is no folder, or may not be
/// written. Frames are not recorded while it stays so. Any other failure is
/// the disk's (full, over a quota, failing), which takes no file after it.
bool isFolderTrouble(const std::error_code& error)
{
	return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory
		|| error == std::errc::permission_denied || error == std::errc::operation_not_permitted
		|| error == std::errc::read_only_file_system;
}

}  // namespace

/// Each kind of failure is said once per run, not on every pass. Failures
/// are seen on the writer's threads as well as on the main thread.
struct FrameRecorder::Complaints
{
	std::atomic<bool> folder{false};
	std::atomic<bool> disk{false};

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

	/// A disk that is full or fails takes no file after this one: the
	/// recording stops.
	bool writeFailed(const std::string& path, const std::error_code& error)
	{
		if (isFolderTrouble(error))
		{
			folderTrouble(error);
			return true;
		}
		if (!disk.exchange(true))
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

FrameRecorder::FrameRecorder(FrameWriter::FileWrite writeFile, DiskBudget::Query diskSpace)
	: m_budget(recordFolder, std::move(diskSpace)), m_complaints(std::make_shared<Complaints>())
{
	// The free space is measured after each file, on the writer's thread.
	m_writeFile = [this, write = std::move(writeFile)](
					  const std::string& path, const std::vector<uchar>& bytes, const RenameTurn& turn) {
		const std::error_code error = write(path, bytes, turn);
		m_budget.measure();
		return error;
	};
}

FrameRecorder::~FrameRecorder()
{
	close();
}

void FrameRecorder::setSettings(const RecordSettings& settings)
{
	m_settings = settings;
	m_budget.setKeepFree(settings.keepFree);
}

void FrameRecorder::announce()
{
	const RecordMode mode = m_settings.mode;
	std::error_code error;
	if (mode == RecordMode::None || (mode == RecordMode::FramesIfFolder && !std::filesystem::is_directory(recordFolder, error)))
	{
		return;
	}
	if (mode != RecordMode::FramesIfFolder && !std::filesystem::is_directory(recordFolder, error)
		&& !std::filesystem::create_directory(recordFolder, error))
	{
		std::fprintf(stderr, "cannot make folder \"%s\" (%s); nothing is recorded\n", recordFolder, error.message().c_str());
		m_settings.mode = RecordMode::None;
		return;
	}
	const char* what = mode == RecordMode::Video
		? "camera.avi, the camera frames, lossless, and game.avi, the windows side by side"
		: "rawN.png and gameN.png, the camera and game pictures of every pass";
	m_budget.measure();
	const DiskSpace disk = m_budget.lastMeasured();
	if (disk.total == 0)
	{
		std::printf("recording into folder \"%s\": %s\n", recordFolder, what);
		return;
	}
	std::printf("recording into folder \"%s\": %s; %s free there, recording stops when %s are left (--keep-free)\n",
		recordFolder, what, formatByteSize(disk.free).c_str(), formatByteSize(m_budget.floorOn(disk)).c_str());
	std::fflush(stdout);
}

bool FrameRecorder::recording() const
{
	return m_settings.mode != RecordMode::None && !m_budget.spent() && !(m_writer && m_writer->hasGivenUp());
}

void FrameRecorder::recordPass(const PassPictures& pictures)
{
	if (!recording() || !m_budget.holds())
	{
		m_recordIndex += 1;
		return;
	}
	if (m_settings.mode == RecordMode::Video)
	{
		if (!m_videos)
		{
			m_videos = std::make_unique<VideoRecorder>(recordFolder, m_pace.videoFramesPerSecond(),
				[this] { m_budget.measure(); });
		}
		m_videos->record(pictures.camera, pictures.painted, pictures.game);
		m_recordIndex += 1;
	}
	else
	{
		recordFrame(pictures.motion, pictures.painted);
	}
	if (m_writer || m_videos)
	{
		m_pace.passRecorded(RecordingPace::Clock::now(), bytesWritten(), waited(), m_budget);
	}
}

std::uint64_t FrameRecorder::bytesWritten() const
{
	return m_writer ? m_writer->bytesWritten() : m_videos ? m_videos->bytesWritten() : 0;
}

std::chrono::steady_clock::duration FrameRecorder::waited() const
{
	return m_writer ? m_writer->waited() : m_videos ? m_videos->waited() : std::chrono::steady_clock::duration();
}

void FrameRecorder::recordFrame(const cv::Mat& motionFrame, const cv::Mat& cameraFrame)
{
	// Both files of a pass carry the same number; the number advances even
	// when nothing could be written.
	const std::string number = std::to_string(m_recordIndex);
	m_recordIndex += 1;
	// An empty image (no camera frame yet) is skipped quietly.
	if ((motionFrame.empty() && cameraFrame.empty()) || (m_writer && m_writer->hasGivenUp()))
	{
		return;
	}
	// Without the folder nothing could be written: nothing is copied or encoded.
	std::error_code error;
	if (!std::filesystem::is_directory(recordFolder, error))
	{
		m_complaints->folderTrouble(std::make_error_code(std::errc::not_a_directory));
		return;
	}
	if (!m_writer)
	{
		std::shared_ptr<Complaints> said = m_complaints;
		m_writer = std::make_unique<FrameWriter>(
			2 * queuedPairs,
			[said](const std::string& path, const std::error_code& failure) { return said->writeFailed(path, failure); },
			m_writeFile);
	}
	if (!m_motion.equals(motionFrame))
	{
		m_motion = FrozenImage(motionFrame);
	}
	if (!m_motion.empty())
	{
		m_writer->write(std::string(recordFolder) + "/raw" + number + ".png", m_motion);
	}
	if (!cameraFrame.empty())
	{
		m_writer->write(std::string(recordFolder) + "/game" + number + ".png", FrozenImage(cameraFrame));
	}
}

void FrameRecorder::finish()
{
	if (m_writer)
	{
		m_writer->finish();
	}
	if (m_videos)
	{
		m_videos->finish();
	}
}

void FrameRecorder::close()
{
	finish();
	if (m_videos)
	{
		m_videos->close();
	}
}

bool FrameRecorder::hasStopped() const
{
	return m_budget.spent() || (m_writer && m_writer->hasGivenUp()) || (m_videos && m_videos->hasStopped());
}
