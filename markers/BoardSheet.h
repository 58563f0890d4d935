#pragma once

#include "markers/ARMultiMarker.h"
#include "markers/BoardLayout.h"

#include <opencv2/core.hpp>

/// The board sheet is A3 in landscape, millimetres; the portal card's size is
/// part of the board's layout (portalCardSide).
constexpr double boardSheetWidth = 420.0;
constexpr double boardSheetHeight = 297.0;

/// A picture of a flat sheet and its scale. The origin of the sheet's marker
/// set is the picture's centre; x runs right and y up, in millimetres.
struct SheetImage
{
	cv::Mat image;
	double pixelsPerMm = 1.0;

	/// Picture coordinates (pixel centres at whole numbers) of a point of the set.
	cv::Point2d toPixel(cv::Point2d mm) const;
	cv::Point2d toMm(cv::Point2d pixel) const;
};

/// White paper of `sizeMm` with every marker of the set printed on it, BGR.
SheetImage renderMarkerSheet(const ARMultiMarkerInfoT& set, cv::Size2d sizeMm, double pixelsPerMm);
