#include "print/SheetPages.h"

#include "print/Paper.h"
#include "print/PdfDocument.h"

namespace
{

constexpr double captionMm = 3.5;
/// The caption's baseline above the page's bottom edge, inside what a printer prints.
constexpr double captionFromBottomMm = 8.0;
const LineStyle cutStyle{0.2, 0.3, false};
const LineStyle cropMarkStyle{0.2, 0.0, false};
/// Crop marks start this far beyond the card's corner and are this long.
constexpr double cropMarkGapMm = 2.0;
constexpr double cropMarkMm = 6.0;

cv::Size2d sizeMm(const cv::Mat& image, double pixelsPerMm)
{
	return cv::Size2d(image.cols / pixelsPerMm, image.rows / pixelsPerMm);
}

/// Where a picture of `size` lies in the middle of a page of `page`.
cv::Rect2d centred(cv::Size2d size, cv::Size2d page)
{
	return cv::Rect2d((page.width - size.width) / 2.0, (page.height - size.height) / 2.0, size.width, size.height);
}

}  // namespace

std::error_code writeSheetPdf(const std::string& path, const cv::Mat& image, double pixelsPerMm, cv::Size2d page,
	const std::string& caption)
{
	PdfDocument pdf;
	pdf.beginPage(page);
	pdf.picture(image, pixelsPerMm, centred(sizeMm(image, pixelsPerMm), page).tl());
	pdf.text(cv::Point2d(captionMm * 4.0, page.height - captionFromBottomMm), captionMm, caption);
	return pdf.write(path);
}

std::error_code writeCardPdf(const std::string& path, const cv::Mat& image, double pixelsPerMm,
	const std::string& caption)
{
	const cv::Size2d page = paperSize(Paper::A4);
	const cv::Rect2d place = centred(sizeMm(image, pixelsPerMm), page);
	PdfDocument pdf;
	pdf.beginPage(page);
	pdf.picture(image, pixelsPerMm, place.tl());
	pdf.rectangle(place, cutStyle);
	const double reach = cropMarkGapMm + cropMarkMm;
	for (const cv::Point2d corner : {place.tl(), cv::Point2d(place.br().x, place.y), place.br(),
			 cv::Point2d(place.x, place.br().y)})
	{
		// Outward from the card, along both of its edges through the corner.
		const double outX = corner.x > page.width / 2.0 ? 1.0 : -1.0;
		const double outY = corner.y > page.height / 2.0 ? 1.0 : -1.0;
		pdf.line(corner + cv::Point2d(outX * cropMarkGapMm, 0.0), corner + cv::Point2d(outX * reach, 0.0), cropMarkStyle);
		pdf.line(corner + cv::Point2d(0.0, outY * cropMarkGapMm), corner + cv::Point2d(0.0, outY * reach), cropMarkStyle);
	}
	pdf.text(cv::Point2d(place.x, place.br().y + reach + 2.0 * captionMm), captionMm, caption);
	return pdf.write(path);
}
