#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <system_error>
#include <vector>

/// The PNG file of an 8-bit grey or BGR picture that says its resolution (a
/// pHYs chunk, in whole pixels a metre), so that a viewer or a printer shows
/// it at its true size rather than at 72 dpi. Decoded, it gives back the
/// picture's pixels exactly. Empty for a picture of another kind, or empty.
std::vector<unsigned char> encodePngAtResolution(const cv::Mat& image, double dotsPerInch);

/// The same, written whole (writeWholeFile); a picture it cannot encode is
/// std::errc::invalid_argument.
std::error_code writePngAtResolution(const std::string& path, const cv::Mat& image, double dotsPerInch);
