#include "platform/CameraFrameSource.h"

#include "platform/SteadyClock.h"

#include <cstdio>
#include <thread>

CameraFrameSource::CameraFrameSource(int index, DeviceSettings settings, std::unique_ptr<cv::VideoCapture> capture)
	: m_index(index), m_settings(std::move(settings)), m_capture(std::move(capture)), m_controls(*m_capture)
{
	if (!m_settings.clock)
	{
		m_settings.clock = steadySeconds;
	}
	m_nextTry = m_settings.clock() + m_settings.retrySeconds;
	open();
}

bool CameraFrameSource::read(cv::Mat& frame)
{
	if (!m_capture->isOpened() && m_settings.keepLooking && m_settings.clock() >= m_nextTry)
	{
		m_nextTry = m_settings.clock() + m_settings.retrySeconds;
		open();
	}
	if (m_capture->isOpened() && m_capture->read(frame) && !frame.empty())
	{
		m_presence = CameraPresence::Delivering;
		return true;
	}
	frame.release();
	if (m_presence == CameraPresence::Delivering)
	{
		m_presence = CameraPresence::Lost;
	}
	if (m_settings.keepLooking)
	{
		// A camera that gives nothing is let go of and opened afresh: plugged
		// in again it is a new device behind the same name.
		m_capture->release();
		std::this_thread::sleep_for(m_settings.idleWait);
	}
	return false;
}

bool CameraFrameSource::open()
{
	if (!m_capture->open(m_index, cv::CAP_V4L2))
	{
		return false;
	}
	// Opened again, the camera starts at its own settings.
	m_controls.forget();
	const CameraMode wanted = m_settings.asked.empty() ? choosePlayingMode(m_settings.offered(m_index)) : m_settings.asked;
	// The format first: which sizes and rates a camera gives depends on it.
	if (!wanted.format.empty())
	{
		m_capture->set(cv::CAP_PROP_FOURCC, fourccValue(wanted.format));
	}
	if (!wanted.size.empty())
	{
		m_capture->set(cv::CAP_PROP_FRAME_WIDTH, wanted.size.width);
		m_capture->set(cv::CAP_PROP_FRAME_HEIGHT, wanted.size.height);
	}
	if (wanted.framesPerSecond > 0.0)
	{
		m_capture->set(cv::CAP_PROP_FPS, wanted.framesPerSecond);
	}
	// Said once, and again only when the camera comes back giving something else.
	const std::string given = describeMode(givenMode());
	if (given != m_given)
	{
		m_given = given;
		std::printf("%s: asked for %s; the camera gives %s\n", describe().c_str(), describeMode(wanted).c_str(),
			given.c_str());
		std::fflush(stdout);
	}
	return true;
}

CameraMode CameraFrameSource::givenMode() const
{
	if (!m_capture->isOpened())
	{
		return CameraMode();
	}
	return {frameSize(), framesPerSecond(), fourccText(m_capture->get(cv::CAP_PROP_FOURCC))};
}

cv::Size CameraFrameSource::frameSize() const
{
	if (!m_capture->isOpened())
	{
		return cv::Size();
	}
	return cv::Size(int(m_capture->get(cv::CAP_PROP_FRAME_WIDTH)), int(m_capture->get(cv::CAP_PROP_FRAME_HEIGHT)));
}

double CameraFrameSource::framesPerSecond() const
{
	const double rate = m_capture->isOpened() ? m_capture->get(cv::CAP_PROP_FPS) : 0.0;
	return rate > 0.0 && rate < 1000.0 ? rate : 0.0;
}
