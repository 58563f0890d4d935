#pragma once

#include "render/DiskBudget.h"
#include "render/FrameWriter.h"
#include "render/FrozenImage.h"
#include "render/RecordingPace.h"
#include "render/VideoRecorder.h"

#include <opencv2/core.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

/// What a run keeps of its passes, in the folder "video" of the working
/// directory.
enum class RecordMode
{
	/// Frames when the folder is there, nothing otherwise (the folder is the
	/// switch, and is never made).
	FramesIfFolder,
	/// video/rawN.png, the camera frame of the last motion, and
	/// video/gameN.png, the camera picture with the game painted in, for
	/// every pass N from 0; the folder is made when missing.
	Frames,
	/// The camera frames as one lossless video and the windows side by side
	/// in another (VideoRecorder); the folder is made when missing.
	Video,
	None
};

/// What a run records; set before its first pass.
struct RecordSettings
{
	RecordMode mode = RecordMode::FramesIfFolder;
	/// Recording stops once less than this is free on the folder's disk;
	/// unset, defaultKeepFree of that disk.
	std::optional<std::uint64_t> keepFree;
};

/// What a pass leaves to record.
struct PassPictures
{
	/// The camera frame read in the pass.
	const cv::Mat& camera;
	/// The camera frame of the last motion.
	const cv::Mat& motion;
	/// The camera picture with the game painted in, as "normal" shows it.
	const cv::Mat& painted;
	/// The game, as "game" shows it.
	const cv::Mat& game;
};

/// Records every pass as the mode says. The pictures are encoded and written
/// on threads of their own, in order, each file whole; the loop waits for
/// them rather than drop a pass. The disk is never filled by it: recording
/// stops by itself, with one line, when the free space falls below a floor
/// (DiskBudget), and at a disk that is full or fails; the game goes on and
/// what was recorded is kept whole. It says at start what it records and,
/// once it has measured it, how fast it fills the disk; with a live camera,
/// once, when it cannot keep up (RecordingPace).
class FrameRecorder
{
public:
	/// `writeFile` puts each encoded file on the disk; `diskSpace` says how
	/// much room is left.
	explicit FrameRecorder(FrameWriter::FileWrite writeFile = defaultFileWrite(),
		DiskBudget::Query diskSpace = diskSpaceOf);
	~FrameRecorder();

	FrameRecorder(const FrameRecorder&) = delete;
	FrameRecorder& operator=(const FrameRecorder&) = delete;

	/// What to record; before the first pass.
	void setSettings(const RecordSettings& settings);
	/// What is recorded: the mode is None once its folder could not be made.
	const RecordSettings& settings() const { return m_settings; }

	/// The camera is live and delivers this many frames a second (0 when it
	/// does not say): the videos play at its rate, and a recording that slows
	/// the loop below it is said.
	void setLiveCamera(double framesPerSecond) { m_pace.setLiveCamera(framesPerSecond); }

	/// Say what will be recorded, where, and how much is left free; makes the
	/// folder when the mode asks for it. Before the first pass.
	void announce();

	/// Record this pass as the mode says.
	void recordPass(const PassPictures& pictures);

	/// Write this pass's pair of frames under the next number. The writer gets
	/// copies of its own, so the caller may change both images at once. The
	/// number advances even when nothing could be written.
	void recordFrame(const cv::Mat& motionFrame, const cv::Mat& cameraFrame);

	/// Wait until every recorded frame is in its file.
	void finish();

	/// Finish, and close the videos (their headers count every frame).
	void close();

	/// True once recording has stopped by itself (the floor, a full or failing disk).
	bool hasStopped() const;

	/// Images encoded so far (a still scene repeats its raw image, which is
	/// encoded once).
	long encodings() const { return m_writer ? m_writer->encodings() : 0; }

	/// The number of the next pass to record.
	int recordIndex() const { return m_recordIndex; }

	/// Each file written whole, under a temporary name renamed into place.
	static FrameWriter::FileWrite defaultFileWrite();

	/// The folder everything is recorded in.
	static const char* folder();

private:
	/// What has been said about failures; shared with the writer's threads.
	struct Complaints;

	bool recording() const;
	std::uint64_t bytesWritten() const;
	std::chrono::steady_clock::duration waited() const;

	RecordSettings m_settings;
	/// The writers' file writes, each followed by a measurement of the disk.
	FrameWriter::FileWrite m_writeFile;
	DiskBudget m_budget;
	RecordingPace m_pace;
	std::shared_ptr<Complaints> m_complaints;
	/// The motion frame as last handed to the writer. While the scene is still
	/// it is handed over again, neither copied nor encoded again.
	FrozenImage m_motion;
	/// Started by the first frame to record.
	std::unique_ptr<FrameWriter> m_writer;
	std::unique_ptr<VideoRecorder> m_videos;
	int m_recordIndex = 0;
};
