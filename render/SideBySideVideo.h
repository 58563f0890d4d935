#pragma once

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <string>

/// A video file of two views side by side, one frame a pass: what the camera
/// picture with the game painted in and the game itself looked like.
class SideBySideVideo
{
public:
	/// Plays at the game's own speed.
	static constexpr double framesPerSecond = 60.0;

	/// Start an MJPG video of two 640 x 480 views, to play at `rate` frames
	/// a second. False, with a one-line `error` naming the file, when it
	/// cannot be written.
	bool open(const std::string& path, std::string& error, double rate = framesPerSecond);

	bool isOpen() const { return writer.isOpened(); }

	/// Add one frame. An empty view is black; a view of another size is scaled
	/// to its half, a grey one made colour.
	void addFrame(const cv::Mat& left, const cv::Mat& right);

	/// Finish the file: its header gets the frame count and its index is
	/// written, without which players show nothing or cannot seek. Frames
	/// added later are dropped; closing again does nothing.
	void close();

	int frameCount() const { return frames; }

private:
	void place(const cv::Mat& view, cv::Mat half);

	cv::VideoWriter writer;
	cv::Mat frame;
	int frames = 0;
};
