#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <system_error>

/// A sheet that fills its page, such as the calibration board, as a PDF at
/// true size: the picture of `pixelsPerMm` in the middle of a page of
/// `pageMm` (its size, but for the rounding to whole pixels), with `caption`
/// along the bottom edge.
std::error_code writeSheetPdf(const std::string& path, const cv::Mat& image, double pixelsPerMm, cv::Size2d pageMm,
	const std::string& caption);

/// A card to cut out, such as the portal card, as a PDF at true size: the
/// picture in the middle of an A4 page, a thin cut line round it, crop marks
/// at its corners beyond it (still there once the line is cut away) and
/// `caption` below it.
std::error_code writeCardPdf(const std::string& path, const cv::Mat& image, double pixelsPerMm,
	const std::string& caption);
