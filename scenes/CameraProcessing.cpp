#include "scenes/CameraProcessing.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace
{

/// A pass asked for out of turn starts the noise reduction this many passes
/// earlier: the last frame's share has faded below a grey level by then.
constexpr int warmUpPasses = 12;

/// Where a pixel differs from the last frame by more than this many of the
/// grain's standard deviations, and this many grey levels more, it moved.
constexpr double grainSpread = 3.0;
constexpr double stillMargin = 2.0;

/// Luma weights of blue, green and red (BT.601).
const cv::Vec3d lumaWeights(0.114, 0.587, 0.299);

}  // namespace

CameraProcessing::CameraProcessing(const Photography& photography) : m_photography(photography) {}

CameraSettings CameraProcessing::metered(int pass, const std::function<cv::Scalar(int)>& meanOf)
{
	CameraSettings settings;
	const int settling = m_photography.stages.metering;
	if (settling <= 0)
	{
		return settings;
	}
	if (m_meteredPass == 0 || pass < m_meteredPass)
	{
		m_target = meanOf(1);
		m_gains = cv::Vec3d(1.0, 1.0, 1.0);
		m_meteredPass = 1;
	}
	for (; m_meteredPass < pass; ++m_meteredPass)
	{
		// The frame just taken, against the first: the gains that would bring
		// it back, approached by a share a pass.
		const cv::Scalar seen = meanOf(m_meteredPass);
		for (int c = 0; c < 3; ++c)
		{
			const double wanted = seen[c] > 0.0 ? m_target[c] / seen[c] : m_gains[c];
			m_gains[c] += (wanted - m_gains[c]) / settling;
		}
	}
	settings.exposure = m_gains.dot(lumaWeights);
	settings.balance = m_gains / settings.exposure;
	return settings;
}

void CameraProcessing::reduceNoise(int pass, cv::Mat& frame, const std::function<cv::Mat(int)>& sensedOf)
{
	if (m_photography.stages.denoise <= 0.0)
	{
		return;
	}
	if (m_last.empty() || m_reducedPass != pass - 1)
	{
		m_last.release();
		for (int earlier = std::max(1, pass - warmUpPasses); earlier < pass; ++earlier)
		{
			cv::Mat sensed = sensedOf(earlier);
			blend(sensed);
		}
	}
	blend(frame);
	m_reducedPass = pass;
}

void CameraProcessing::blend(cv::Mat& frame)
{
	cv::Mat now;
	frame.convertTo(now, CV_32FC3);
	if (m_last.empty() || m_last.size() != now.size())
	{
		m_last = now;
		return;
	}
	// Still pixels keep the share `denoise` of the last frame; moved ones none.
	const double grain = m_photography.noise * m_photography.stages.lowLightGain;
	const double limit = grainSpread * grain + stillMargin;
	cv::Mat difference, still;
	cv::absdiff(now, m_last, difference);
	cv::compare(difference, cv::Scalar::all(limit), still, cv::CMP_LE);
	cv::Mat blended;
	cv::addWeighted(now, 1.0 - m_photography.stages.denoise, m_last, m_photography.stages.denoise, 0.0, blended);
	blended.copyTo(now, still);
	m_last = now;
	now.convertTo(frame, CV_8UC3);
}

void CameraProcessing::send(cv::Mat& frame) const
{
	const CameraStages& stages = m_photography.stages;
	sharpenBrightness(frame, stages.sharpen, stages.sharpenRadius);
	compressAsJpeg(frame, m_photography.jpegQuality);
}
