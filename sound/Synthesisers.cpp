#include "sound/Synthesisers.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace
{

constexpr double twoPi = 6.283185307179586;

/// How far every sound's loudest sample reaches: room for two at once
/// before the mixer has to limit.
constexpr float peakLevel = 0.5f;

Samples silence(double seconds)
{
	return Samples(std::size_t(std::lround(seconds * soundRate)), 0.0f);
}

double secondsAt(std::size_t i)
{
	return double(i) / soundRate;
}

/// Ramp the first `in` and last `out` seconds from and to silence, so that no
/// sound starts or stops with a click.
void fadeEnds(Samples& sound, double in, double out)
{
	const std::size_t inCount = std::min(sound.size(), std::size_t(in * soundRate));
	const std::size_t outCount = std::min(sound.size(), std::size_t(out * soundRate));
	for (std::size_t i = 0; i < inCount; ++i)
	{
		sound[i] *= float(i) / float(inCount);
	}
	for (std::size_t i = 0; i < outCount; ++i)
	{
		sound[sound.size() - 1 - i] *= float(i) / float(outCount);
	}
}

/// Scale the sound so that its loudest sample is at `peakLevel`.
void normalise(Samples& sound)
{
	float loudest = 0.0f;
	for (const float sample : sound)
	{
		loudest = std::max(loudest, std::abs(sample));
	}
	if (loudest > 0.0f)
	{
		for (float& sample : sound)
		{
			sample *= peakLevel / loudest;
		}
	}
}

/// A decaying sine from `start` seconds on, added to the sound.
void addPartial(Samples& sound, double start, double hz, double amplitude, double decaySeconds)
{
	for (std::size_t i = std::size_t(start * soundRate); i < sound.size(); ++i)
	{
		const double t = secondsAt(i) - start;
		sound[i] += float(amplitude * std::exp(-t / decaySeconds) * std::sin(twoPi * hz * t));
	}
}

/// A brass-like note: the first three harmonics, rising in 10 ms and falling
/// in the last 40 ms of its `length`.
void addNote(Samples& sound, double start, double hz, double length)
{
	const std::size_t first = std::size_t(start * soundRate);
	const std::size_t count = std::min(sound.size() - first, std::size_t(length * soundRate));
	Samples note(count, 0.0f);
	for (std::size_t i = 0; i < count; ++i)
	{
		const double t = secondsAt(i);
		note[i] = float(std::sin(twoPi * hz * t) + 0.5 * std::sin(twoPi * 2 * hz * t) + 0.25 * std::sin(twoPi * 3 * hz * t));
	}
	fadeEnds(note, 0.010, 0.040);
	for (std::size_t i = 0; i < count; ++i)
	{
		sound[first + i] += note[i];
	}
}

}  // namespace

Samples knockSound()
{
	Samples sound = silence(0.12);
	addPartial(sound, 0.0, 140.0, 1.0, 0.030);
	// The blow itself: a few milliseconds of noise, the same every time.
	std::minstd_rand noise(7);
	std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
	for (std::size_t i = 0; i < sound.size(); ++i)
	{
		sound[i] += float(0.6 * std::exp(-secondsAt(i) / 0.004)) * spread(noise);
	}
	fadeEnds(sound, 0.001, 0.020);
	normalise(sound);
	return sound;
}

Samples chimeSound(double pitch)
{
	// A bar's partials lie at 2.76, 5.40 and 8.93 times its note: bell-like,
	// and the note itself rings longest.
	Samples sound = silence(1.2);
	addPartial(sound, 0.0, pitch, 1.0, 0.45);
	addPartial(sound, 0.0, 2.76 * pitch, 0.30, 0.20);
	addPartial(sound, 0.0, 5.40 * pitch, 0.12, 0.10);
	addPartial(sound, 0.0, 8.93 * pitch, 0.05, 0.05);
	fadeEnds(sound, 0.002, 0.100);
	normalise(sound);
	return sound;
}

Samples shatterSound()
{
	constexpr double length = 0.5;
	Samples sound = silence(length);
	std::minstd_rand noise(11);
	std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
	double phase = 0.0;
	for (std::size_t i = 0; i < sound.size(); ++i)
	{
		const double t = secondsAt(i);
		// The tone falls by the same ratio every moment, as a pitch is heard.
		const double hz = 1200.0 * std::pow(250.0 / 1200.0, t / length);
		phase += twoPi * hz / soundRate;
		sound[i] = float(0.8 * std::exp(-t / 0.10)) * spread(noise) + float(0.6 * std::exp(-t / 0.25) * std::sin(phase));
	}
	fadeEnds(sound, 0.002, 0.030);
	normalise(sound);
	return sound;
}

Samples fanfareSound()
{
	Samples sound = silence(1.0);
	const double notes[] = {523.25, 659.26, 783.99, 1046.50};
	for (int i = 0; i < 4; ++i)
	{
		addNote(sound, 0.12 * i, notes[i], i < 3 ? 0.16 : 1.0 - 0.36);
	}
	normalise(sound);
	return sound;
}
