#pragma once

#include "render/FrameWriter.h"
#include "render/FrozenImage.h"

#include <opencv2/core.hpp>

#include <memory>

/// Writes every pass's two pictures as numbered PNG files into the folder
/// "video" of the working directory: video/rawN.png, the camera frame of the
/// last motion, and video/gameN.png, the camera picture with the game painted
/// in. The folder is never created: without it nothing is recorded (and that
/// is said once). The files are encoded and written on a thread of their own,
/// in order, each whole. A full disk stops the recording, with one message;
/// the files written before stay.
class FrameRecorder
{
public:
	/// `writeFile` puts each encoded file on the disk.
	explicit FrameRecorder(FrameWriter::FileWrite writeFile = defaultFileWrite());

	/// Write this pass's pair under the next number. The writer gets copies of
	/// its own, so the caller may change both images at once. The number
	/// advances even when nothing could be written.
	void recordFrame(const cv::Mat& motionFrame, const cv::Mat& cameraFrame);

	/// Wait until every recorded frame is in its file.
	void finish();

	/// Images encoded so far (a still scene repeats its raw image, which is
	/// encoded once).
	long encodings() const { return writer ? writer->encodings() : 0; }

	/// The number of the next pair.
	int recordIndex = 0;

	/// Each file written whole, under a temporary name renamed into place.
	static FrameWriter::FileWrite defaultFileWrite();

private:
	/// What has been said about failures; shared with the writer's thread.
	struct Complaints;

	FrameWriter::FileWrite writeFile;
	std::shared_ptr<Complaints> complaints;
	/// The motion frame as last handed to the writer. While the scene is still
	/// it is handed over again, neither copied nor encoded again.
	FrozenImage motion;
	/// Started by the first frame to record.
	std::unique_ptr<FrameWriter> writer;
};
