#include "print/BoardPages.h"

#include "markers/BoardLayout.h"
#include "print/PdfDocument.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>

namespace
{

/// The outline lies this far outside where ink is read, so that it is never
/// read: a scan places the drawing area a millimetre or so off, and a line 1 mm
/// outside it is read as a wall once in a while.
constexpr double outlineGapMm = 3.0;
const LineStyle outlineStyle{0.25, 0.55, false};
const LineStyle markStyle{0.25, 0.0, false};
const LineStyle cutStyle{0.25, 0.0, true};
const LineStyle alignStyle{0.25, 0.4, false};

constexpr double captionMm = 3.5;
/// The scale bar and the caption stand in the band right of the markers,
/// outside what the camera's board picture holds; their distance from the
/// sheet's right edge.
constexpr double scaleBarFromRightMm = 25.0;
constexpr double captionFromRightMm = 14.0;
constexpr double scaleBarMm = 100.0;

/// The join of two A4 pages: the cut line clears every marker by this much;
/// sheet 1 goes on this far past it (cut away), sheet 2 begins this far
/// before it (the glue strip under sheet 1).
constexpr double joinClearanceMm = 2.0;
constexpr double pastCutMm = 7.0;
constexpr double glueStripMm = 15.0;
/// Join marks keep this far from the page's top and bottom edges, inside
/// what a printer prints.
constexpr double printerMarginMm = 5.0;
/// The crosses on the join, this far above and below where ink is read:
/// between it and the rows of markers.
constexpr double crossFromInkMm = 25.0;
constexpr double crossArmMm = 4.0;

/// The board sheet, A3 in landscape. Its picture, whole pixels, may be a
/// little smaller or larger; its centre is the sheet's, as is the set's origin.
const cv::Size2d sheetSize(boardSheetWidth, boardSheetHeight);

/// A point of the marker set (millimetres from the sheet's centre, y up) in
/// millimetres from the sheet's top-left corner, y down.
cv::Point2d onSheet(cv::Point2d setMm)
{
	return cv::Point2d(sheetSize.width / 2.0 + setMm.x, sheetSize.height / 2.0 - setMm.y);
}

/// Where the picture's top-left corner lies on the sheet.
cv::Point2d pictureCorner(const SheetImage& sheet)
{
	return cv::Point2d(sheetSize.width - sheet.image.cols / sheet.pixelsPerMm,
			   sheetSize.height - sheet.image.rows / sheet.pixelsPerMm) / 2.0;
}

/// A marker's left and right edges on the sheet.
std::pair<double, double> markerSpan(const ARMultiEachMarkerInfoT& marker)
{
	double left = 1e9;
	double right = -1e9;
	const double half = marker.width / 2.0;
	for (const cv::Point2d corner : {cv::Point2d(-half, -half), cv::Point2d(half, -half), cv::Point2d(half, half),
			 cv::Point2d(-half, half)})
	{
		const double x = marker.center[0] + corner.x;
		const double y = marker.center[1] + corner.y;
		const cv::Point2d p = onSheet(cv::Point2d(marker.trans[0][0] * x + marker.trans[0][1] * y + marker.trans[0][3],
			marker.trans[1][0] * x + marker.trans[1][1] * y + marker.trans[1][3]));
		left = std::min(left, p.x);
		right = std::max(right, p.x);
	}
	return {left, right};
}

/// Where the two A4 pages join: the first line from the sheet's middle to
/// the right that no marker crosses.
double joinLine(const ARMultiMarkerInfoT& board)
{
	double x = sheetSize.width / 2.0;
	for (bool moved = true; moved;)
	{
		moved = false;
		for (const ARMultiEachMarkerInfoT& marker : board.marker)
		{
			const auto [left, right] = markerSpan(marker);
			if (x > left - joinClearanceMm && x < right + joinClearanceMm)
			{
				x = right + joinClearanceMm;
				moved = true;
			}
		}
	}
	return x;
}

/// What is printed of the sheet, in its millimetres: the printed part of
/// the picture, as the smallest rectangle around its dark pixels.
cv::Rect2d printedPart(const SheetImage& sheet)
{
	cv::Mat grey = sheet.image;
	if (grey.channels() == 3)
	{
		cv::cvtColor(sheet.image, grey, cv::COLOR_BGR2GRAY);
	}
	const cv::Rect box = cv::boundingRect(grey < 128);
	return cv::Rect2d(pictureCorner(sheet) + cv::Point2d(box.tl()) / sheet.pixelsPerMm,
		cv::Size2d(box.size()) / sheet.pixelsPerMm);
}

/// The scale bar with a tick every centimetre and the caption beside it,
/// both upright along the sheet's right edge; `pageLeft` is the sheet's x at
/// the page's left edge.
void drawScale(PdfDocument& pdf, const ARMultiMarkerInfoT& board, double pageLeft)
{
	const cv::Size2d size = sheetSize;
	const double x = size.width - scaleBarFromRightMm - pageLeft;
	const double top = (size.height - scaleBarMm) / 2.0;
	pdf.line(cv::Point2d(x, top), cv::Point2d(x, top + scaleBarMm), markStyle);
	for (int cm = 0; cm <= int(scaleBarMm / 10.0); ++cm)
	{
		const double tick = cm % 5 == 0 ? 4.0 : 2.0;
		pdf.line(cv::Point2d(x - tick, top + cm * 10.0), cv::Point2d(x, top + cm * 10.0), markStyle);
	}
	char caption[160];
	std::snprintf(caption, sizeof caption, "printed at true size, this bar measures %.0f mm and a marker %.1f mm",
		scaleBarMm, board.marker.empty() ? 0.0 : board.marker.front().width);
	pdf.text(cv::Point2d(size.width - captionFromRightMm - pageLeft, size.height - 30.0), captionMm, caption, -90.0);
}

/// The picture and the ink outline between sheet x `from` and `to`, on a
/// page whose left edge is at sheet x `pageLeft`.
void drawBoardPart(PdfDocument& pdf, const SheetImage& sheet, const cv::Rect2d& readArea, double pageLeft, double from,
	double to)
{
	pdf.clipTo(cv::Rect2d(from - pageLeft, 0.0, to - from, sheetSize.height));
	pdf.picture(sheet.image, sheet.pixelsPerMm, pictureCorner(sheet) - cv::Point2d(pageLeft, 0.0));
	const double gap = outlineGapMm;
	pdf.rectangle(cv::Rect2d(readArea.x - gap - pageLeft, readArea.y - gap, readArea.width + 2 * gap,
					  readArea.height + 2 * gap),
		outlineStyle);
	pdf.unclip();
}

/// The marks along the join at page x `x`: a line in `style` above and below
/// where ink is read (never across it, where a line would be read as a
/// wall), and a cross above and below it.
void drawJoin(PdfDocument& pdf, double x, const cv::Rect2d& readArea, double pageHeight, const LineStyle& style)
{
	pdf.line(cv::Point2d(x, printerMarginMm), cv::Point2d(x, readArea.y - 3.0), style);
	pdf.line(cv::Point2d(x, readArea.br().y + 3.0), cv::Point2d(x, pageHeight - printerMarginMm), style);
	for (const double y : {readArea.y - crossFromInkMm, readArea.br().y + crossFromInkMm})
	{
		pdf.line(cv::Point2d(x - crossArmMm, y), cv::Point2d(x + crossArmMm, y), markStyle);
		pdf.line(cv::Point2d(x, y - crossArmMm), cv::Point2d(x, y + crossArmMm), markStyle);
	}
}

}  // namespace

cv::Rect2d inkReadArea(const ARMultiMarkerInfoT& board)
{
	const cv::Matx33d toMm = boardPixelsToSetMm(board);
	const cv::Matx33d toPixels = toMm.inv();
	std::vector<cv::Point2d> corners;
	for (const DrawingAreaCorner& inner : drawingAreaCorners)
	{
		const ARMultiEachMarkerInfoT& marker = board.marker[size_t(boardCornerMarkers[inner.cornerMarker])];
		const double x = drawingAreaInset * inner.signX;
		const double y = drawingAreaInset * inner.signY;
		const cv::Vec3d mm(marker.trans[0][0] * x + marker.trans[0][1] * y + marker.trans[0][3],
			marker.trans[1][0] * x + marker.trans[1][1] * y + marker.trans[1][3], 1.0);
		const cv::Vec3d pixel = toPixels * mm;
		corners.emplace_back(pixel[0] / pixel[2], pixel[1] / pixel[2]);
	}
	// The top-left corner moves in to the right and down, the bottom-right one back.
	corners[0] += cv::Point2d(inkMargin, inkMargin);
	corners[1] -= cv::Point2d(inkMargin, inkMargin);
	std::vector<cv::Point2d> onPaper;
	for (const cv::Point2d& pixel : corners)
	{
		const cv::Vec3d mm = toMm * cv::Vec3d(pixel.x, pixel.y, 1.0);
		onPaper.push_back(onSheet(cv::Point2d(mm[0] / mm[2], mm[1] / mm[2])));
	}
	return cv::Rect2d(onPaper[0], onPaper[1]);
}

std::error_code writeBoardPdf(const std::string& path, const SheetImage& sheet, const ARMultiMarkerInfoT& board,
	Paper paper)
{
	const cv::Size2d size = sheetSize;
	const cv::Rect2d readArea = inkReadArea(board);
	PdfDocument pdf;
	if (paper == Paper::A3)
	{
		pdf.beginPage(size);
		drawBoardPart(pdf, sheet, readArea, 0.0, 0.0, size.width);
		drawScale(pdf, board, 0.0);
		return pdf.write(path);
	}

	const cv::Size2d page = paperSize(Paper::A4);
	const double join = joinLine(board);
	const double firstLeft = join + pastCutMm - page.width;
	const double secondLeft = join - glueStripMm;
	const cv::Rect2d printed = printedPart(sheet);
	if (printed.x < firstLeft || printed.br().x > secondLeft + page.width)
	{
		return std::make_error_code(std::errc::value_too_large);
	}

	pdf.beginPage(page);
	drawBoardPart(pdf, sheet, readArea, firstLeft, firstLeft, join);
	drawJoin(pdf, join - firstLeft, readArea, page.height, cutStyle);
	pdf.text(cv::Point2d(join - firstLeft - 90.0, 9.0), captionMm, "sheet 1 of 2: cut along the dashed line");

	pdf.beginPage(page);
	drawBoardPart(pdf, sheet, readArea, secondLeft, join, secondLeft + page.width);
	drawJoin(pdf, join - secondLeft, readArea, page.height, alignStyle);
	pdf.text(cv::Point2d(join - secondLeft - glueStripMm / 2.0 + captionMm / 2.0, page.height / 2.0 + 40.0), captionMm,
		"glue sheet 1 over this strip", -90.0);
	pdf.text(cv::Point2d(join - secondLeft + 5.0, 9.0), captionMm,
		"sheet 2 of 2: lay sheet 1's cut edge on the line, crosses on crosses");
	drawScale(pdf, board, secondLeft);
	return pdf.write(path);
}
