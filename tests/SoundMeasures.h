#pragma once

#include "sound/Synthesisers.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

// Measures of recorded sound, as a listener with a spectrum analyser would
// take them: where a tone begins, its pitch and its loudness.

/// The raw samples a file holds: 32-bit floats, as SDL's disk driver writes
/// the mono float stream the program opens.
inline Samples readSamples(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	Samples samples(bytes.size() / sizeof(float));
	std::copy(bytes.begin(), bytes.begin() + long(samples.size() * sizeof(float)), reinterpret_cast<char*>(samples.data()));
	return samples;
}

/// The magnitude spectrum of `count` samples from `first` (silence beyond
/// the ends) under a Hann window, zero-padded to 2^16 points (0.73 Hz a bin).
inline std::vector<double> spectrum(const Samples& sound, long first, long count)
{
	constexpr int size = 1 << 16;
	cv::Mat stretch = cv::Mat::zeros(1, size, CV_32F);
	for (long i = 0; i < count; ++i)
	{
		const long at = first + i;
		const double hann = 0.5 - 0.5 * std::cos(2.0 * CV_PI * double(i) / double(count));
		stretch.at<float>(0, int(i)) = at >= 0 && at < long(sound.size()) ? float(hann * sound[std::size_t(at)]) : 0.0f;
	}
	cv::Mat bins;
	cv::dft(stretch, bins, cv::DFT_COMPLEX_OUTPUT);
	std::vector<double> magnitudes(size / 2);
	for (int k = 0; k < size / 2; ++k)
	{
		const cv::Vec2f bin = bins.at<cv::Vec2f>(0, k);
		magnitudes[std::size_t(k)] = std::hypot(double(bin[0]), double(bin[1]));
	}
	return magnitudes;
}

/// The frequency of the highest peak of `magnitudes` between `low` and `high` Hz,
/// refined by a parabola through the peak and its neighbours.
inline double peakFrequency(const std::vector<double>& magnitudes, double low, double high)
{
	const double binHz = double(soundRate) / double(2 * magnitudes.size());
	std::size_t best = std::size_t(low / binHz);
	for (std::size_t k = best; k < std::min(magnitudes.size() - 1, std::size_t(high / binHz)); ++k)
	{
		best = magnitudes[k] > magnitudes[best] ? k : best;
	}
	const double a = magnitudes[best - 1];
	const double b = magnitudes[best];
	const double c = magnitudes[best + 1];
	const double shift = (a - 2 * b + c) != 0.0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0.0;
	return (double(best) + shift) * binHz;
}

/// The strongest frequency between `low` and `high` Hz in `count` samples from `first`.
inline double dominantFrequency(const Samples& sound, long first, long count, double low, double high)
{
	return peakFrequency(spectrum(sound, first, count), low, high);
}

/// The frequency that grew most from the `count` samples before `moment` to
/// the `count` after it: the pitch of a sound that began there, over others
/// still ringing.
inline double risingFrequency(const Samples& sound, long moment, long count, double low, double high)
{
	std::vector<double> after = spectrum(sound, moment, count);
	const std::vector<double> before = spectrum(sound, moment - count, count);
	for (std::size_t k = 0; k < after.size(); ++k)
	{
		after[k] = std::max(0.0, after[k] - before[k]);
	}
	return peakFrequency(after, low, high);
}

/// The amplitude of the sine at `hz` in `count` samples from `first`
/// (Hann-windowed: a tone's amplitude, whatever its phase).
inline double toneLevel(const Samples& sound, long first, long count, double hz)
{
	double re = 0.0;
	double im = 0.0;
	double weights = 0.0;
	for (long i = 0; i < count; ++i)
	{
		const long at = first + i;
		if (at < 0 || at >= long(sound.size()))
		{
			continue;
		}
		const double hann = 0.5 - 0.5 * std::cos(2.0 * CV_PI * double(i) / double(count));
		const double phase = 2.0 * CV_PI * hz * double(i) / soundRate;
		re += hann * sound[std::size_t(at)] * std::cos(phase);
		im += hann * sound[std::size_t(at)] * std::sin(phase);
		weights += hann;
	}
	return weights > 0.0 ? 2.0 * std::hypot(re, im) / weights : 0.0;
}

/// Where a tone at `hz` begins, searched from `from` for `span` samples in
/// steps of 2.5 ms: the first 10 ms stretch in which it reaches half the
/// loudest it gets in the span.
inline long toneOnset(const Samples& sound, double hz, long from, long span)
{
	constexpr long step = soundRate / 400;
	constexpr long stretch = soundRate / 100;
	std::vector<double> levels;
	for (long at = from; at < from + span; at += step)
	{
		levels.push_back(toneLevel(sound, at, stretch, hz));
	}
	const double loudest = *std::max_element(levels.begin(), levels.end());
	std::size_t first = 0;
	while (levels[first] < 0.5 * loudest)
	{
		++first;
	}
	// The stretch's middle is where the tone is, give or take half of it.
	return from + long(first) * step + stretch / 2;
}

/// The loudest sample's magnitude.
inline float peakOf(const Samples& sound)
{
	float loudest = 0.0f;
	for (const float sample : sound)
	{
		loudest = std::max(loudest, std::abs(sample));
	}
	return loudest;
}
