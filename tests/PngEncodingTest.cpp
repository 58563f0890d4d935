#include "render/PngEncoding.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

namespace
{

/// Noise, a smooth ramp and flat patches: rows that repeat, rows that do not,
/// values that wrap around when the Up filter subtracts.
cv::Mat testImage(cv::Size size, int type, int seed)
{
	cv::Mat image(size, type);
	cv::RNG rng{uint64_t(seed)};
	if (image.depth() == CV_8U)
	{
		rng.fill(image, cv::RNG::UNIFORM, 0, 256);
	}
	else
	{
		rng.fill(image, cv::RNG::UNIFORM, 0, 65536);
	}
	if (size.height > 4)
	{
		image.rowRange(size.height / 2, size.height).setTo(cv::Scalar(250, 3, 128, 7));
	}
	return image;
}

/// Whatever the image's kind, size and the settings, the file decodes to the
/// image's pixels exactly, as cv::imencode's PNG file does; the few kinds the
/// encoder does not take itself go through cv::imencode.
TEST(PngEncoding, DecodesToThePixelsAsImencodesFileDoes)
{
	const cv::Size sizes[] = {{1, 1}, {7, 3}, {640, 480}, {33, 17}};
	const int types[] = {CV_8UC1, CV_8UC3, CV_8UC4, CV_16UC3, CV_16UC1};
	const PngSettings settings[] = {{PngSettings::None, 1}, {PngSettings::Up, 1}, {PngSettings::None, 6}};
	int seed = 0;
	for (const cv::Size size : sizes)
	{
		for (const int type : types)
		{
			const cv::Mat image = testImage(size, type, ++seed);
			std::vector<uchar> reference;
			ASSERT_TRUE(cv::imencode(".png", image, reference));
			const cv::Mat fromReference = cv::imdecode(reference, cv::IMREAD_UNCHANGED);
			for (const PngSettings& setting : settings)
			{
				const std::vector<uchar> bytes = encodePng(image, setting);
				const cv::Mat decoded = cv::imdecode(bytes, cv::IMREAD_UNCHANGED);
				const std::string what = std::to_string(size.width) + "x" + std::to_string(size.height) + " type "
					+ std::to_string(type) + " filter " + std::to_string(setting.filter) + " level "
					+ std::to_string(setting.level);
				ASSERT_EQ(decoded.size(), image.size()) << what;
				ASSERT_EQ(decoded.type(), fromReference.type()) << what;
				EXPECT_EQ(cv::norm(decoded, fromReference, cv::NORM_INF), 0.0) << what;
			}
		}
	}
}

/// A view into a larger image (rows with gaps between them) is encoded as
/// the pixels it shows; no image is refused.
TEST(PngEncoding, AViewIsEncodedAsItsPixelsAndNoImageIsRefused)
{
	const cv::Mat large = testImage(cv::Size(50, 40), CV_8UC3, 99);
	const cv::Mat view = large(cv::Rect(3, 5, 21, 11));
	EXPECT_EQ(cv::norm(cv::imdecode(encodePng(view), cv::IMREAD_UNCHANGED), view, cv::NORM_INF), 0.0);
	EXPECT_THROW(encodePng(cv::Mat()), cv::Exception);
}

}  // namespace
