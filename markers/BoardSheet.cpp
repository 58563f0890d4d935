#include "markers/BoardSheet.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

/// Sub-pixel bits of the polygon corners, so cells keep their exact size.
static constexpr int polygonShift = 4;

cv::Point2d SheetImage::toPixel(cv::Point2d mm) const
{
	return cv::Point2d((mm.x * pixelsPerMm + image.cols / 2.0) - 0.5, (image.rows / 2.0 - mm.y * pixelsPerMm) - 0.5);
}

cv::Point2d SheetImage::toMm(cv::Point2d pixel) const
{
	return cv::Point2d((pixel.x + 0.5 - image.cols / 2.0) / pixelsPerMm, (image.rows / 2.0 - pixel.y - 0.5) / pixelsPerMm);
}

namespace
{

/// Paint one code cell by cell, each cell a polygon placed through the
/// marker's transform, so a turned marker prints as sharp as a straight one.
void printMarker(SheetImage& sheet, const ARMultiEachMarkerInfoT& marker)
{
	const cv::Mat cells = markerCells(marker.pattern);
	const double cell = marker.width / cells.cols;
	const double left = marker.center[0] - marker.width / 2.0;
	const double top = marker.center[1] + marker.width / 2.0;
	const auto place = [&](double x, double y) {
		const cv::Point2d mm(marker.trans[0][0] * x + marker.trans[0][1] * y + marker.trans[0][3],
			marker.trans[1][0] * x + marker.trans[1][1] * y + marker.trans[1][3]);
		const cv::Point2d pixel = sheet.toPixel(mm);
		const double scale = 1 << polygonShift;
		return cv::Point(int(std::lround(pixel.x * scale)), int(std::lround(pixel.y * scale)));
	};
	for (int row = 0; row < cells.rows; ++row)
	{
		for (int col = 0; col < cells.cols; ++col)
		{
			if (cells.at<uchar>(row, col) != 0)
			{
				continue;
			}
			const double x0 = left + col * cell;
			const double y0 = top - row * cell;
			const cv::Point corners[4] = {
				place(x0, y0), place(x0 + cell, y0), place(x0 + cell, y0 - cell), place(x0, y0 - cell)};
			cv::fillConvexPoly(sheet.image, corners, 4, cv::Scalar(0, 0, 0), cv::LINE_8, polygonShift);
		}
	}
}

}  // namespace

SheetImage renderMarkerSheet(const ARMultiMarkerInfoT& set, cv::Size2d sizeMm, double pixelsPerMm)
{
	SheetImage sheet;
	sheet.pixelsPerMm = pixelsPerMm;
	const cv::Size size(int(std::lround(sizeMm.width * pixelsPerMm)), int(std::lround(sizeMm.height * pixelsPerMm)));
	sheet.image = cv::Mat(size, CV_8UC3, cv::Scalar(255, 255, 255));
	for (const ARMultiEachMarkerInfoT& marker : set.marker)
	{
		printMarker(sheet, marker);
	}
	return sheet;
}
