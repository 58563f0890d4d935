#include "platform/CameraMode.h"

#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>

const char* const jpegFormat = "MJPG";
const char* const rawFormat = "YUYV";

namespace
{

/// What play asks for: the pens' fine lines need 1280 x 720, and most webcams
/// give it at 30 frames a second.
const CameraMode playingMode{cv::Size(1280, 720), 30.0, ""};
const cv::Size smallestForPlay(640, 480);
/// Slower than this the game stutters: a faster mode comes first.
constexpr double slowestForPlay = 15.0;

/// The sides and rates a camera can be asked for.
constexpr long largestSide = 16384;
constexpr double fastestRate = 1000.0;

/// A whole number from `at` up to the first character that is not a digit.
bool readWhole(const char*& at, long& value)
{
	if (*at < '0' || *at > '9')
	{
		return false;
	}
	char* end = nullptr;
	value = std::strtol(at, &end, 10);
	at = end;
	return value > 0 && value <= largestSide;
}

/// A rate: digits with an optional fraction ("30", "7.5").
bool readRate(const char*& at, double& value)
{
	if (*at < '0' || *at > '9')
	{
		return false;
	}
	char* end = nullptr;
	value = std::strtod(at, &end);
	// strtod also reads exponents and hexadecimal; a rate is plain digits.
	for (const char* c = at; c < end; ++c)
	{
		if ((*c < '0' || *c > '9') && *c != '.')
		{
			return false;
		}
	}
	at = end;
	return value > 0.0 && value <= fastestRate;
}

bool isKnownFormat(const std::string& format)
{
	return format == jpegFormat || format == rawFormat;
}

/// How far a mode is from what play wants, smaller first: too slow to play,
/// then the size's distance in pixels (as a ratio), then the rate's, then JPEG
/// after raw.
std::tuple<bool, double, double, bool> distanceFromPlay(const CameraMode& mode)
{
	const double area = double(mode.size.area()) / double(playingMode.size.area());
	return {mode.framesPerSecond < slowestForPlay, std::abs(std::log(area)),
		std::abs(mode.framesPerSecond - playingMode.framesPerSecond), mode.format != rawFormat};
}

}  // namespace

bool parseCameraMode(const std::string& text, CameraMode& mode)
{
	CameraMode read;
	const char* at = text.c_str();
	long width = 0, height = 0;
	if (!readWhole(at, width) || *at++ != 'x' || !readWhole(at, height))
	{
		return false;
	}
	read.size = cv::Size(int(width), int(height));
	if (*at == '@')
	{
		++at;
		if (!readRate(at, read.framesPerSecond))
		{
			return false;
		}
	}
	if (*at == ':')
	{
		const std::string format(at + 1);
		if (format != "mjpg" && format != "raw")
		{
			return false;
		}
		read.format = format == "mjpg" ? jpegFormat : rawFormat;
		at += format.size() + 1;
	}
	if (*at != '\0')
	{
		return false;
	}
	mode = read;
	return true;
}

std::string describeMode(const CameraMode& mode)
{
	std::string text;
	if (!mode.size.empty())
	{
		text = std::to_string(mode.size.width) + " x " + std::to_string(mode.size.height);
	}
	if (mode.framesPerSecond > 0.0)
	{
		char rate[48];
		std::snprintf(rate, sizeof rate, "%s%g frames a second", text.empty() ? "" : " at ", mode.framesPerSecond);
		text += rate;
	}
	if (!mode.format.empty())
	{
		text += (text.empty() ? "" : ", ") + mode.format;
	}
	return text.empty() ? "the camera's own mode" : text;
}

CameraMode choosePlayingMode(const std::vector<CameraMode>& offered)
{
	std::vector<CameraMode> known;
	std::copy_if(offered.begin(), offered.end(), std::back_inserter(known),
		[](const CameraMode& mode) { return isKnownFormat(mode.format) && !mode.size.empty(); });
	const bool largeEnough = std::any_of(known.begin(), known.end(), [](const CameraMode& mode) {
		return mode.size.width >= smallestForPlay.width && mode.size.height >= smallestForPlay.height;
	});
	if (largeEnough)
	{
		known.erase(std::remove_if(known.begin(), known.end(),
						[](const CameraMode& mode) {
							return mode.size.width < smallestForPlay.width || mode.size.height < smallestForPlay.height;
						}),
			known.end());
	}
	if (known.empty())
	{
		return playingMode;
	}
	return *std::min_element(known.begin(), known.end(),
		[](const CameraMode& a, const CameraMode& b) { return distanceFromPlay(a) < distanceFromPlay(b); });
}

double fourccValue(const std::string& format)
{
	if (format.size() != 4)
	{
		return 0.0;
	}
	return double(cv::VideoWriter::fourcc(format[0], format[1], format[2], format[3]));
}

std::string fourccText(double value)
{
	if (!(value > 0.0 && value < 4294967296.0))
	{
		return std::string();
	}
	const auto code = static_cast<unsigned long>(value);
	std::string text;
	for (int shift = 0; shift < 32; shift += 8)
	{
		const char c = char((code >> shift) & 0xFF);
		if (c < ' ' || c > '~')
		{
			return std::string();
		}
		text += c;
	}
	return text;
}
