#include "app/ProjectedLightRecord.h"

#include "core/FixedValues.h"
#include "tracking/CellPicture.h"

#include <algorithm>

namespace
{

/// A camera frame may show the picture of the latency's pass, or one a pass
/// either side of it: a camera is late or early now and then.
constexpr int latencySlack = 1;

/// The projector's light may reach the camera a tenth stronger or weaker than
/// measured on white paper (its lamp, the paper's sheen), and it may fall on
/// anything from black ink to white paper: the change it makes in a cell lies
/// between none and a tenth more than it makes on paper.
constexpr double lightSlack = 0.1;

/// Where light arrives or leaves it may change a cell by more than that. In
/// a bright room the projector's white lifts paper to the sensor's top, so
/// the light measured on paper is only its headroom, and a surface darker in
/// a channel (a highlighter's ring in blue) shows more of the light than
/// paper could: up to this much more. And the camera's colour filters
/// overlap, so light of one colour changes the other channels too: each
/// channel by up to this share of what the strongest one changes.
constexpr double clippedSlack = 0.3;
constexpr double filterLeak = 0.5;

/// Widen a bound of the change of light, cell by cell, by what clipped paper
/// hides and the filters leak: `most` (the gains, every value at or above 0,
/// `sign` 1) or `least` (the losses, at or below 0, `sign` -1). A cell whose
/// light changes by no more than noLight keeps its bound, and so stays unlit
/// for the motion test.
void widenForCamera(cv::Mat& bound, float sign)
{
	for (cv::Vec3f& change : cv::Mat_<cv::Vec3f>(bound))
	{
		const cv::Vec3f size = change * sign;
		const float strongest = std::max({size[0], size[1], size[2]});
		if (strongest <= noLight)
		{
			continue;
		}
		for (int c = 0; c < 3; ++c)
		{
			change[c] = sign * std::max(size[c] * float(1.0 + clippedSlack), strongest * float(filterLeak));
		}
	}
}

}  // namespace

void ProjectedLightRecord::add(int pass, cv::Mat cells, bool known, bool lit, cv::Size frameSize, int latency)
{
	if (lit)
	{
		m_lastLitPass = pass;
	}
	const cv::Size grid = CellPicture::gridOf(frameSize);
	if (cells.empty() || cells.size() != grid)
	{
		cells = cv::Mat::zeros(grid, CV_32FC3);
	}
	m_shown.push_back(Shown{pass, cells, known});
	while (m_shown.size() > size_t(latency + latencySlack + 2))
	{
		m_shown.pop_front();
	}
}

LightInterval ProjectedLightRecord::seenIn(int pass, int latency) const
{
	// The picture first seen in the frame of this pass, give or take.
	const int nominal = pass - seenFromPass(0, latency);
	LightInterval seen;
	for (const Shown& light : m_shown)
	{
		if (light.pass < nominal - latencySlack || light.pass > nominal + latencySlack)
		{
			continue;
		}
		seen.known = seen.known && light.known;
		if (seen.least.empty())
		{
			seen.least = light.cells.clone();
			seen.most = light.cells.clone();
		}
		else if (light.cells.size() == seen.least.size())
		{
			cv::min(seen.least, light.cells, seen.least);
			cv::max(seen.most, light.cells, seen.most);
		}
	}
	return seen;
}

ExpectedLight ProjectedLightRecord::expectedChange(const LightInterval& now, const cv::Vec3d& paperLight) const
{
	if (!now.known || !m_reference.known)
	{
		// A calibration pattern: nobody can say what it changes.
		return ExpectedLight();
	}
	if (now.least.empty() && m_reference.least.empty())
	{
		return ExpectedLight();
	}
	const cv::Mat zero = cv::Mat::zeros(now.least.empty() ? m_reference.least.size() : now.least.size(), CV_32FC3);
	const cv::Mat& nLeast = now.least.empty() ? zero : now.least;
	const cv::Mat& nMost = now.most.empty() ? zero : now.most;
	const cv::Mat& rLeast = m_reference.least.size() != zero.size() ? zero : m_reference.least;
	const cv::Mat& rMost = m_reference.most.size() != zero.size() ? zero : m_reference.most;
	// In grey levels on white paper; on darker things anything down to none.
	const cv::Vec3d paper = paperLight * (1.0 + lightSlack);
	const cv::Scalar scale(paper[0], paper[1], paper[2]);
	cv::Mat changeLeast, changeMost;
	cv::multiply(nLeast - rMost, scale, changeLeast);
	cv::multiply(nMost - rLeast, scale, changeMost);
	ExpectedLight expected;
	expected.least = cv::min(changeLeast, 0.0);
	expected.most = cv::max(changeMost, 0.0);
	widenForCamera(expected.least, -1.0f);
	widenForCamera(expected.most, 1.0f);
	return expected;
}
