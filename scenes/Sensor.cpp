#include "scenes/Sensor.h"

#include <cmath>

namespace
{

constexpr uint64_t grainSeed = 20250107;
constexpr uint64_t flickerSeed = 0x6c69676874ull;

/// Fresh grain is read from a field this much wider and taller than a frame,
/// at one of its margin * margin offsets a pass.
constexpr int grainMargin = 64;
/// Consecutive passes take offsets this far apart in the list of offsets; odd,
/// so that 4096 passes in a row all differ.
constexpr int grainStride = 1237;

}  // namespace

double drawOfPass(uint64_t seed, int pass)
{
	// splitmix64 of the seed and the pass.
	uint64_t z = seed + 0x9e3779b97f4a7c15ull * (uint64_t(uint32_t(pass)) + 1);
	z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
	z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
	z ^= z >> 31;
	return double(z >> 11) / double(1ull << 53);
}

Sensor::Sensor(const Photography& photography, cv::Size frameSize) : photography(photography), size(frameSize)
{
	if (photography.noise > 0.0)
	{
		const int margin = photography.freshGrain ? grainMargin : 0;
		grain.create(size.height + margin, size.width + margin, CV_32FC3);
		cv::RNG rng(grainSeed + uint64_t(photography.seed));
		// In a dim room the camera's gain raises the grain with the picture.
		const double sigma = photography.noise * photography.stages.lowLightGain;
		rng.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(sigma));
	}
}

double Sensor::flickerIn(int pass) const
{
	// The lamp's cycle is ten milliseconds; a frame starts at any moment of it.
	return 1.0 + photography.flicker * std::sin(2.0 * CV_PI * drawOfPass(flickerSeed, pass));
}

double Sensor::bandsIn(int row, int pass) const
{
	const RollingBands& bands = photography.bands;
	return 1.0 + bands.amplitude * std::sin(2.0 * CV_PI * (row + bands.speed * pass) / bands.period);
}

cv::Point Sensor::grainOffset(int pass) const
{
	if (!photography.freshGrain)
	{
		return cv::Point();
	}
	const long step = (long(pass) * grainStride) % (grainMargin * grainMargin);
	const int index = int(step < 0 ? step + grainMargin * grainMargin : step);
	return cv::Point(index % grainMargin, index / grainMargin);
}

void Sensor::expose(const cv::Mat& focal, const CameraSettings& settings, int pass, cv::Mat& frame) const
{
	CV_Assert(focal.type() == CV_32FC3 && focal.size() == size);
	frame.create(size, CV_8UC3);
	const double level = settings.exposure * flickerIn(pass);
	const cv::Point offset = grainOffset(pass);
	// A row at a time through OpenCV's vectorised arithmetic: the light times
	// the gain, plus the grain, rounded and clipped to 8 bits.
	// (A row of gains, not a scalar: OpenCV's product with a scalar may be a
	// unit in the last place off, and the frames must not depend on that.)
	cv::Mat exposed(1, size.width, CV_32FC3);
	cv::Mat gains(1, size.width, CV_32FC3);
	for (int row = 0; row < size.height; ++row)
	{
		const double rowLevel = level * (photography.bands.amplitude > 0.0 ? bandsIn(row, pass) : 1.0);
		gains.setTo(cv::Scalar(float(rowLevel * settings.balance[0]), float(rowLevel * settings.balance[1]),
			float(rowLevel * settings.balance[2])));
		cv::multiply(focal.row(row), gains, exposed);
		if (!grain.empty())
		{
			cv::add(exposed, grain(cv::Rect(offset.x, row + offset.y, size.width, 1)), exposed);
		}
		exposed.convertTo(frame.row(row), CV_8U);
	}
	if (photography.stages.mosaic)
	{
		interpolateMosaic(frame);
	}
}
