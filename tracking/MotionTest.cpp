#include "tracking/MotionTest.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// Cells this dark in a channel tell little of the light's gain (noise and
/// compression dominate a ratio of small numbers).
constexpr float darkCell = 12.0f;

/// A cell has changed when a channel misses what the light's gains predict
/// by more than this many grey levels plus this share of the predicted level.
/// Cell means of 25 samples leave a webcam's noise (sigma 2 to 4) below one
/// grey level and compression's block swings below two; a hand of the
/// lightest skin on white paper differs by about 10 % in blue, a drawn line
/// of black ink over a tenth of a cell by about 20 %.
constexpr float noiseFloor = 4.0f;
constexpr float levelShare = 0.04f;

/// Light changes beyond these are not taken for light: a lamp switched on or
/// off, a hand darkening half the picture.
constexpr double gainLimit = 2.0;
constexpr double bandLimit = 1.25;

/// A gain is told only from enough usable cells: a share of the picture, and
/// of a row for the row's band (the table beside a board whose paper clips).
constexpr double usableForGain = 0.05;
constexpr double usableForBand = 1.0 / 8.0;

double median(std::vector<double>& values)
{
	const auto middle = values.begin() + long(values.size() / 2);
	std::nth_element(values.begin(), middle, values.end());
	return *middle;
}

/// How far the mean `now` lies outside what was predicted, from `least` to
/// `most`, knowing that a mean over clipped samples only says the true one
/// is at least that.
float miss(float now, bool nowClipped, float least, float most, bool thenClipped)
{
	if (nowClipped && thenClipped)
	{
		return 0.0f;
	}
	if (thenClipped)
	{
		return std::max(0.0f, least - now);
	}
	if (nowClipped)
	{
		return std::max(0.0f, now - most);
	}
	return std::max({0.0f, least - now, now - most});
}

struct Cells
{
	const CellPicture& now;
	const CellPicture& then;
	const ExpectedLight& projected;

	int count() const { return int(now.cells().total()); }
	int rows() const { return now.cells().rows; }
	int columns() const { return now.cells().cols; }
	bool compared(int i) const
	{
		return now.ignoredCells().at<uchar>(i) == 0 && then.ignoredCells().at<uchar>(i) == 0;
	}
	const cv::Vec3f& nowAt(int i) const { return now.cells().at<cv::Vec3f>(i); }
	const cv::Vec3f& thenAt(int i) const { return then.cells().at<cv::Vec3f>(i); }
	bool nowClipped(int i, int c) const { return now.clippedCells().at<cv::Vec3b>(i)[c] != 0; }
	bool thenClipped(int i, int c) const { return then.clippedCells().at<cv::Vec3b>(i)[c] != 0; }

	/// The projector's light changed in the cell.
	bool lit(int i) const
	{
		if (projected.empty())
		{
			return false;
		}
		const cv::Vec3f& least = projected.least.at<cv::Vec3f>(i);
		const cv::Vec3f& most = projected.most.at<cv::Vec3f>(i);
		for (int c = 0; c < 3; ++c)
		{
			if (least[c] < -noLight || most[c] > noLight)
			{
				return true;
			}
		}
		return false;
	}

	/// Compared, unlit by a changing projector, bright enough in the channel
	/// and clipped in it neither then nor now: the channel's ratio tells the
	/// light's gain. Paper near white often clips in one channel (red under
	/// warm light) while the others still tell the light.
	bool usable(int i, int c) const
	{
		return compared(i) && !lit(i) && thenAt(i)[c] >= darkCell && !nowClipped(i, c) && !thenClipped(i, c);
	}
};

/// Per channel, the median ratio of now to then over the cells usable in it.
/// A channel told by too few cells (clipped over all the paper) takes the
/// median of the channels that were told: a light's change is mostly one of
/// brightness.
cv::Vec3d lightGain(const Cells& cells)
{
	std::vector<double> ratios[3];
	for (int i = 0; i < cells.count(); ++i)
	{
		for (int c = 0; c < 3; ++c)
		{
			if (cells.usable(i, c))
			{
				ratios[c].push_back(cells.nowAt(i)[c] / cells.thenAt(i)[c]);
			}
		}
	}
	std::vector<double> toldGains;
	cv::Vec3d gain(-1.0, -1.0, -1.0);
	for (int c = 0; c < 3; ++c)
	{
		if (ratios[c].size() >= usableForGain * double(cells.count()))
		{
			gain[c] = std::clamp(median(ratios[c]), 1.0 / gainLimit, gainLimit);
			toldGains.push_back(gain[c]);
		}
	}
	const double typical = toldGains.empty() ? 1.0 : median(toldGains);
	for (int c = 0; c < 3; ++c)
	{
		gain[c] = gain[c] < 0.0 ? typical : gain[c];
	}
	return gain;
}

/// Per row of cells, the median brightness of now over then once the whole
/// picture's gain is taken out: rolling bands. A row with too few usable
/// cells to tell takes the median of the rows that told; `told` gets their
/// bands alone.
std::vector<double> bandGains(const Cells& cells, const cv::Vec3d& gain, std::vector<double>& told)
{
	std::vector<double> bands(size_t(cells.rows()), -1.0);
	told.clear();
	std::vector<double> ratios;
	for (int row = 0; row < cells.rows(); ++row)
	{
		ratios.clear();
		for (int col = 0; col < cells.columns(); ++col)
		{
			const int i = row * cells.columns() + col;
			const cv::Vec3f& now = cells.nowAt(i);
			const cv::Vec3f& then = cells.thenAt(i);
			double seen = 0.0, predicted = 0.0;
			for (int c = 0; c < 3; ++c)
			{
				if (cells.usable(i, c))
				{
					seen += now[c];
					predicted += gain[c] * then[c];
				}
			}
			if (predicted > 0.0)
			{
				ratios.push_back(seen / predicted);
			}
		}
		if (ratios.size() >= usableForBand * cells.columns())
		{
			bands[size_t(row)] = std::clamp(median(ratios), 1.0 / bandLimit, bandLimit);
			told.push_back(bands[size_t(row)]);
		}
	}
	std::vector<double> sorted = told;
	const double typical = sorted.empty() ? 1.0 : median(sorted);
	for (double& band : bands)
	{
		band = band < 0.0 ? typical : band;
	}
	return bands;
}

/// The upper quartile of the rows' distances from the median row: bands
/// rolling through the picture move most rows, a thing moving a few.
double bandSpread(std::vector<double> bands)
{
	if (bands.empty())
	{
		return 0.0;
	}
	const double middle = median(bands);
	for (double& band : bands)
	{
		band = std::abs(band - middle);
	}
	const auto quartile = bands.begin() + long(bands.size() * 3 / 4);
	std::nth_element(bands.begin(), quartile, bands.end());
	return *quartile;
}

}  // namespace

MotionReading compareCellPictures(const CellPicture& now, const CellPicture& then, const ExpectedLight& projected)
{
	MotionReading reading;
	const bool projectedFits = projected.empty()
		|| (projected.least.size() == now.cells().size() && projected.most.size() == now.cells().size()
			&& projected.least.type() == CV_32FC3 && projected.most.type() == CV_32FC3);
	if (now.empty() || then.empty() || now.frameSize() != then.frameSize() || !projectedFits)
	{
		return reading;
	}
	const Cells cells{now, then, projected};
	reading.gain = lightGain(cells);
	std::vector<double> told;
	const std::vector<double> bands = bandGains(cells, reading.gain, told);
	reading.bandDepth = bandSpread(told);

	reading.changedCells = cv::Mat::zeros(now.cells().size(), CV_8UC1);
	reading.changeFromThen = cv::Mat::zeros(now.cells().size(), CV_32FC3);
	int changed = 0;
	for (int row = 0; row < cells.rows(); ++row)
	{
		for (int col = 0; col < cells.columns(); ++col)
		{
			const int i = row * cells.columns() + col;
			if (!cells.compared(i))
			{
				continue;
			}
			const cv::Vec3f& n = cells.nowAt(i);
			const cv::Vec3f& t = cells.thenAt(i);
			const bool lit = cells.lit(i);
			bool differs = false;
			for (int c = 0; c < 3; ++c)
			{
				const float predicted = float(reading.gain[c] * bands[size_t(row)]) * t[c];
				reading.changeFromThen.at<cv::Vec3f>(i)[c] = n[c] - predicted;
				const float least = predicted + (lit ? projected.least.at<cv::Vec3f>(i)[c] : 0.0f);
				const float most = predicted + (lit ? projected.most.at<cv::Vec3f>(i)[c] : 0.0f);
				const float limit = noiseFloor + levelShare * std::clamp(most, 0.0f, float(CellPicture::clippedLevel));
				differs = differs || miss(n[c], cells.nowClipped(i, c), least, most, cells.thenClipped(i, c)) > limit;
			}
			if (differs)
			{
				reading.changedCells.at<uchar>(i) = 255;
				changed += 1;
			}
		}
	}
	reading.changedShare = double(changed) / double(cells.count());
	reading.moved = reading.changedShare >= motionShare;
	return reading;
}
