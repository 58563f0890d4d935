#include "tracking/UnsettledPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

/// What is looked back at when telling why: a second of passes.
constexpr double lookBack = 1.0;

/// Swings, depths and drifts beyond these name the light as the cause.
constexpr double flickerSwing = 0.06;
constexpr double bandDepth = 0.05;
constexpr double driftPerSecond = 0.03;
/// Changed cells whose neighbours changed this many times more often than
/// cells picked at random would are one thing moving, not the sensor's noise.
constexpr double movingClumping = 2.0;

/// How much more often the neighbours of a changed cell changed than cells
/// at large: about 1 for noise scattered at random, far above for a thing
/// that covers cells side by side.
double clumping(const cv::Mat& changed)
{
	if (changed.empty())
	{
		return 0.0;
	}
	int cells = 0;
	int neighbours = 0;
	int changedNeighbours = 0;
	const auto at = [&](int row, int col) { return changed.at<uchar>(row, col) != 0; };
	for (int row = 0; row < changed.rows; ++row)
	{
		for (int col = 0; col < changed.cols; ++col)
		{
			if (!at(row, col))
			{
				continue;
			}
			cells += 1;
			for (const cv::Point step : {cv::Point(-1, 0), cv::Point(1, 0), cv::Point(0, -1), cv::Point(0, 1)})
			{
				const int r = row + step.y, c = col + step.x;
				if (r >= 0 && r < changed.rows && c >= 0 && c < changed.cols)
				{
					neighbours += 1;
					changedNeighbours += at(r, c) ? 1 : 0;
				}
			}
		}
	}
	if (cells == 0 || neighbours == 0)
	{
		return 0.0;
	}
	const double share = double(cells) / double(changed.total());
	return double(changedNeighbours) / neighbours / share;
}

double brightness(const cv::Vec3d& gain)
{
	return (gain[0] + gain[1] + gain[2]) / 3.0;
}

std::string percent(double share)
{
	char text[16];
	std::snprintf(text, sizeof text, "%.0f %%", share * 100.0);
	return text;
}

}  // namespace

bool UnsettledPicture::note(const MotionReading& reading, bool settled, double seconds)
{
	if (settled)
	{
		unsettledSince = -1.0;
		said = false;
		recent.clear();
		return false;
	}
	if (unsettledSince < 0.0)
	{
		unsettledSince = seconds;
	}
	recent.push_back({seconds, reading.gain, reading.bandDepth, reading.changedShare, clumping(reading.changedCells)});
	while (recent.front().seconds < seconds - lookBack)
	{
		recent.pop_front();
	}
	if (said || seconds - unsettledSince < patience)
	{
		return false;
	}
	said = true;
	return true;
}

UnsettledPicture::Measures UnsettledPicture::measure() const
{
	Measures m;
	if (recent.empty())
	{
		return m;
	}
	double lowest = 1e9, highest = -1e9;
	for (const Pass& pass : recent)
	{
		lowest = std::min(lowest, brightness(pass.gain));
		highest = std::max(highest, brightness(pass.gain));
		m.deepestBands = std::max(m.deepestBands, pass.bandDepth);
		m.changed += pass.changedShare / double(recent.size());
		m.clumped += pass.clumping / double(recent.size());
	}
	m.span = std::max(recent.back().seconds - recent.front().seconds, 1e-3);
	m.drift = std::abs(brightness(recent.back().gain) - brightness(recent.front().gain)) / std::max(m.span, lookBack);
	m.swing = highest - lowest;
	return m;
}

UnsettledPicture::Cause UnsettledPicture::causeOf(const Measures& m, bool anyPicture)
{
	if (!anyPicture)
	{
		return Cause::NoPicture;
	}
	if (m.deepestBands > bandDepth)
	{
		return Cause::Bands;
	}
	if (m.swing - m.drift * m.span > flickerSwing)
	{
		return Cause::Flicker;
	}
	if (m.drift > driftPerSecond)
	{
		return Cause::Exposure;
	}
	return m.clumped >= movingClumping ? Cause::Moving : Cause::Noise;
}

UnsettledPicture::Cause UnsettledPicture::cause() const
{
	return causeOf(measure(), !recent.empty());
}

std::string UnsettledPicture::reason() const
{
	const std::string waiting = "the camera picture has not kept still for " + std::to_string(int(patience))
		+ " seconds, so the board is not scanned: ";
	const Measures m = measure();
	const std::string lamp = ": a lamp on mains power (LED or fluorescent) does this; light the table with another "
							 "lamp or daylight, or set the camera's anti-flicker setting to your mains (50 or 60 Hz)";
	switch (causeOf(m, !recent.empty()))
	{
	case Cause::NoPicture:
		return waiting + "no picture came";
	case Cause::Bands:
		return waiting + "bands of light roll through the picture (" + percent(m.deepestBands) + " deep)" + lamp;
	case Cause::Flicker:
		return waiting + "the light flickers (its brightness swings by " + percent(m.swing) + ")" + lamp;
	case Cause::Exposure:
		return waiting + "the camera keeps changing its exposure or white balance (" + percent(m.drift)
			+ " a second): switch its automatic exposure and white balance off, or give it a steady light";
	case Cause::Moving:
		return waiting + "something keeps moving in view (" + percent(m.changed)
			+ " of the picture changes): keep hands, screens and pets out of the camera's view, and the camera and "
			  "board fixed";
	case Cause::Noise:
		break;
	}
	return waiting + "the picture is noisy (" + percent(m.changed)
		+ " of it changes in scattered specks): light the board better, or lower the camera's gain or resolution";
}
