#include "render/SideBySideVideo.h"

#include "core/FixedValues.h"

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgproc.hpp>

bool SideBySideVideo::open(const std::string& path, std::string& error, double rate)
{
	const cv::Size size(2 * boardWidth, boardHeight);
	bool opened = false;
	// OpenCV's own MJPG writer: it needs no media framework, and a failure is
	// told in our one line rather than in OpenCV's log.
	const cv::utils::logging::LogLevel level = cv::utils::logging::getLogLevel();
	cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
	try
	{
		opened = writer.open(
			path, cv::CAP_OPENCV_MJPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), rate, size);
	}
	catch (const cv::Exception&)
	{
		opened = false;
	}
	cv::utils::logging::setLogLevel(level);
	if (!opened)
	{
		error = path + ": cannot write a video there (the writer takes .avi)";
		return false;
	}
	frame = cv::Mat(size, CV_8UC3);
	return true;
}

void SideBySideVideo::addFrame(const cv::Mat& left, const cv::Mat& right)
{
	if (!writer.isOpened())
	{
		return;
	}
	place(left, frame.colRange(0, boardWidth));
	place(right, frame.colRange(boardWidth, 2 * boardWidth));
	writer.write(frame);
	frames += 1;
}

void SideBySideVideo::place(const cv::Mat& view, cv::Mat half)
{
	if (view.empty())
	{
		half.setTo(cv::Scalar::all(0));
		return;
	}
	cv::Mat colour = view;
	if (view.channels() == 1)
	{
		cv::cvtColor(view, colour, cv::COLOR_GRAY2BGR);
	}
	if (colour.type() != CV_8UC3)
	{
		half.setTo(cv::Scalar::all(0));
		return;
	}
	if (colour.size() != half.size())
	{
		cv::resize(colour, half, half.size(), 0, 0, cv::INTER_AREA);
		return;
	}
	colour.copyTo(half);
}

void SideBySideVideo::close()
{
	writer.release();
}
