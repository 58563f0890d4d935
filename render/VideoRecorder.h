#pragma once

#include "render/FrozenImage.h"
#include "render/SideBySideVideo.h"

#include <opencv2/videoio.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

/// Keeps a run as two videos in a folder: every pass's camera frame in
/// camera.avi, lossless (HuffYUV: decoded, the frames are the camera's pixels
/// exactly, so `--source file:` plays the run again as it was), and what
/// "normal" and "game" showed side by side in game.avi (MJPG, as --video
/// writes it). Each video is encoded on a thread of its own, its frames in
/// order. The queues are short: when one is full, `record` waits for room
/// rather than dropping a frame. A video that cannot be written stops with
/// one line; the other goes on.
class VideoRecorder
{
public:
	/// Nothing is opened before the first frame. `framesPerSecond` is the rate
	/// the videos play at; `afterFrame` is called on a video's thread after
	/// each of its frames.
	VideoRecorder(const std::string& folder, double framesPerSecond, std::function<void()> afterFrame = nullptr);
	/// Closes the videos, after every queued frame.
	~VideoRecorder();

	VideoRecorder(const VideoRecorder&) = delete;
	VideoRecorder& operator=(const VideoRecorder&) = delete;

	/// Queue a pass: its camera frame (an empty one is left out), the camera
	/// picture with the game painted in, and the game. Copies are taken, so
	/// the caller may change the images at once.
	void record(const cv::Mat& cameraFrame, const cv::Mat& painted, const cv::Mat& game);

	/// Wait until every queued frame is in its video.
	void finish();

	/// Finish and close both videos: their headers count every frame. Frames
	/// recorded later are dropped.
	void close();

	/// True once both videos have stopped (closed, or failed).
	bool hasStopped() const;

	/// The size of both files so far.
	std::uint64_t bytesWritten() const;

	/// How long `record` has waited for room, in all.
	std::chrono::steady_clock::duration waited() const { return waitedForRoom; }

	static std::string cameraFile(const std::string& folder) { return folder + "/camera.avi"; }
	static std::string gameFile(const std::string& folder) { return folder + "/game.avi"; }

private:
	class Track;

	const std::string folder;
	const double framesPerSecond;
	const std::function<void()> afterFrame;
	/// Used on the camera track's thread only.
	cv::VideoWriter cameraVideo;
	cv::Size cameraSize;
	/// Used on the game track's thread only.
	SideBySideVideo gameVideo;
	std::unique_ptr<Track> cameraTrack;
	std::unique_ptr<Track> gameTrack;
	std::chrono::steady_clock::duration waitedForRoom{};
};
