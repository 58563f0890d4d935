#include "platform/CameraAutoControls.h"

namespace
{

/// V4L2's automatic white balance, off.
constexpr double whiteBalanceByHand = 0.0;

}  // namespace

HeldLight CameraAutoControls::hold()
{
	if (m_held.any() || !m_capture.isOpened())
	{
		return m_held;
	}
	rememberAutomatic();
	// What the automatic controls reached, read before they are switched off.
	const double exposure = m_capture.get(cv::CAP_PROP_EXPOSURE);
	const double temperature = m_capture.get(cv::CAP_PROP_WB_TEMPERATURE);
	m_held.exposure = m_exposureScaled
		|| setByHand(cv::CAP_PROP_AUTO_EXPOSURE, manualExposure, cv::CAP_PROP_EXPOSURE, exposure);
	m_held.whiteBalance =
		setByHand(cv::CAP_PROP_AUTO_WB, whiteBalanceByHand, cv::CAP_PROP_WB_TEMPERATURE, temperature);
	m_held.exposureValue = m_held.exposure ? m_capture.get(cv::CAP_PROP_EXPOSURE) : 0.0;
	m_held.temperature = m_held.whiteBalance ? m_capture.get(cv::CAP_PROP_WB_TEMPERATURE) : 0.0;
	return m_held;
}

void CameraAutoControls::release()
{
	if (m_held.exposure && !m_exposureScaled)
	{
		m_capture.set(cv::CAP_PROP_AUTO_EXPOSURE, m_exposureModeBefore);
	}
	if (m_held.whiteBalance)
	{
		m_capture.set(cv::CAP_PROP_AUTO_WB, m_whiteBalanceModeBefore);
	}
	m_held = HeldLight();
}

void CameraAutoControls::forget()
{
	m_held = HeldLight();
	m_remembered = false;
	m_exposureScaled = false;
}

bool CameraAutoControls::scaleExposure(double factor)
{
	if (!m_capture.isOpened() || !(factor > 0.0))
	{
		return false;
	}
	// V4L2 gives the exposure time in its own units, above 0; a driver that
	// does not say it gives -1.
	const double now = m_capture.get(cv::CAP_PROP_EXPOSURE);
	if (!(now > 0.0))
	{
		return false;
	}
	rememberAutomatic();
	if (!setByHand(cv::CAP_PROP_AUTO_EXPOSURE, manualExposure, cv::CAP_PROP_EXPOSURE, now * factor))
	{
		return false;
	}
	m_exposureScaled = true;
	return m_capture.get(cv::CAP_PROP_EXPOSURE) != now;
}

bool CameraAutoControls::setByHand(int autoProperty, double manual, int valueProperty, double value)
{
	const double before = m_capture.get(autoProperty);
	const bool taken = m_capture.set(autoProperty, manual) && m_capture.get(autoProperty) == manual;
	if (!taken)
	{
		// A camera that said yes and went on as before, or half took it, is
		// left as it was.
		if (before >= 0.0 && m_capture.get(autoProperty) != before)
		{
			m_capture.set(autoProperty, before);
		}
		return false;
	}
	// Some cameras go back to the last value set by hand when their automatic
	// control goes off: the value it reached is set again.
	if (value > 0.0)
	{
		m_capture.set(valueProperty, value);
	}
	return true;
}

void CameraAutoControls::rememberAutomatic()
{
	if (m_remembered)
	{
		return;
	}
	m_remembered = true;
	const double exposureMode = m_capture.get(cv::CAP_PROP_AUTO_EXPOSURE);
	if (exposureMode >= 0.0)
	{
		m_exposureModeBefore = exposureMode;
	}
	const double whiteBalanceMode = m_capture.get(cv::CAP_PROP_AUTO_WB);
	if (whiteBalanceMode >= 0.0)
	{
		m_whiteBalanceModeBefore = whiteBalanceMode;
	}
}
