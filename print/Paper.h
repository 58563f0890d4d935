#pragma once

#include <opencv2/core/types.hpp>

#include <string>

/// Sheets are printed at this resolution, in their pictures and their PDFs.
constexpr double printDotsPerInch = 300.0;
constexpr double mmPerInch = 25.4;
constexpr double printPixelsPerMm = printDotsPerInch / mmPerInch;

/// The paper a sheet is printed on, portrait, in millimetres.
enum class Paper
{
	A3,
	A4,
};

cv::Size2d paperSize(Paper paper);

/// The paper named on a command line, "a3" or "a4"; false for another name.
bool parsePaper(const std::string& name, Paper& paper);
