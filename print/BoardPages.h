#pragma once

#include "markers/BoardSheet.h"
#include "print/Paper.h"

#include <string>
#include <system_error>

/// Where the program reads black ink on the printed board, in millimetres
/// from the sheet's top-left corner: the drawing area's corners moved in by
/// inkMargin board pixels, as the analysis crops the ink.
cv::Rect2d inkReadArea(const ARMultiMarkerInfoT& board);

/// The board sheet (`sheet`, its picture) as a PDF at true size: its picture, a thin outline just
/// outside where ink is read, a 100 mm bar to check the printed scale and a
/// line saying what a marker measures. On A3 the sheet is one page. On A4 it
/// is two: sheet 1 is cut along the dashed line beside the middle markers and
/// laid on sheet 2's glue strip, the halves of the crosses on its cut edge
/// over sheet 2's crosses. An error (std::errc::value_too_large) when the
/// markers do not fit the two pages, or what writing failed of.
std::error_code writeBoardPdf(const std::string& path, const SheetImage& sheet, const ARMultiMarkerInfoT& board,
	Paper paper);
