#include "scenes/Photography.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// The seed of the sensor noise: every frame of a scene has the same grain.
constexpr uint64_t noiseSeed = 20240611;

/// A blackbody's colour as 8-bit red, green and blue, after the usual fit to
/// the Planckian locus (temperature in hundreds of kelvin).
cv::Vec3d blackbodyRgb(double kelvin)
{
	const double t = kelvin / 100.0;
	const double red = t <= 66.0 ? 255.0 : 329.698727446 * std::pow(t - 60.0, -0.1332047592);
	const double green = t <= 66.0 ? 99.4708025861 * std::log(t) - 161.1195681661
								   : 288.1221695283 * std::pow(t - 60.0, -0.0755148492);
	const double blue = t >= 66.0 ? 255.0 : (t <= 19.0 ? 0.0 : 138.5177312231 * std::log(t - 10.0) - 305.0447927307);
	const auto clamp = [](double v) { return std::min(255.0, std::max(1.0, v)); };
	return cv::Vec3d(clamp(red), clamp(green), clamp(blue));
}

}  // namespace

bool RoomLight::isEven() const
{
	return cast == cv::Vec3d(1.0, 1.0, 1.0) && exposure == 1.0 && gradient == 0.0 && vignetting == 0.0;
}

cv::Vec3d colourTemperatureCast(double kelvin)
{
	const cv::Vec3d light = blackbodyRgb(kelvin);
	const cv::Vec3d daylight = blackbodyRgb(6500.0);
	// Red, green, blue to the frames' blue, green, red.
	return cv::Vec3d(light[2] / daylight[2], light[1] / daylight[1], light[0] / daylight[0]);
}

void lightSheet(cv::Mat& sampled, const cv::Mat& sheetX, const cv::Mat& sheetY, cv::Size sheetSize,
	const RoomLight& light)
{
	CV_Assert(sampled.type() == CV_8UC3 && sheetX.size() == sampled.size() && sheetY.size() == sampled.size());
	if (light.isEven())
	{
		return;
	}
	// The fall-off runs along d, from 0 at the sheet's lit edge to 1 at the far one.
	const double angle = light.gradientAngle * CV_PI / 180.0;
	const double dx = std::cos(angle), dy = -std::sin(angle);
	const double w = sheetSize.width, h = sheetSize.height;
	const double extent = std::abs(dx) * w + std::abs(dy) * h;
	const cv::Point2d centre(sampled.cols * 0.5, sampled.rows * 0.5);
	const double cornerSquared = centre.x * centre.x + centre.y * centre.y;
	for (int row = 0; row < sampled.rows; ++row)
	{
		cv::Vec3b* pixel = sampled.ptr<cv::Vec3b>(row);
		const float* x = sheetX.ptr<float>(row);
		const float* y = sheetY.ptr<float>(row);
		for (int col = 0; col < sampled.cols; ++col)
		{
			const double along = 0.5 + ((x[col] - w * 0.5) * dx + (y[col] - h * 0.5) * dy) / extent;
			const double offCentre = ((col - centre.x) * (col - centre.x) + (row - centre.y) * (row - centre.y)) / cornerSquared;
			const double level = light.exposure * (1.0 - light.gradient * std::min(1.0, std::max(0.0, along)))
				* (1.0 - light.vignetting * offCentre);
			for (int c = 0; c < 3; ++c)
			{
				pixel[col][c] = cv::saturate_cast<uchar>(pixel[col][c] * light.cast[c] * level);
			}
		}
	}
}

void blurByLens(cv::Mat& image, double sigma)
{
	if (sigma > 0.0)
	{
		// 3 x 3 for the usual 0.6.
		const int radius = std::max(1, int(std::lround(2.0 * sigma)));
		cv::GaussianBlur(image, image, cv::Size(2 * radius + 1, 2 * radius + 1), sigma);
	}
}

void compressAsJpeg(cv::Mat& frame, int quality)
{
	if (quality > 0)
	{
		std::vector<uchar> bytes;
		cv::imencode(".jpg", frame, bytes, {cv::IMWRITE_JPEG_QUALITY, quality});
		frame = cv::imdecode(bytes, cv::IMREAD_COLOR);
	}
}

void developFrame(cv::Mat& frame, const Photography& photography)
{
	blurByLens(frame, photography.blur);
	if (photography.noise > 0.0)
	{
		cv::Mat noise(frame.size(), CV_16SC3);
		cv::RNG rng(noiseSeed + uint64_t(photography.seed));
		rng.fill(noise, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(photography.noise));
		cv::Mat noisy;
		frame.convertTo(noisy, CV_16SC3);
		noisy += noise;
		noisy.convertTo(frame, CV_8UC3);
	}
	compressAsJpeg(frame, photography.jpegQuality);
}
