#include "print/PdfDocument.h"

#include "platform/WholeFile.h"
#include "print/Paper.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <opencv2/imgproc.hpp>

namespace
{

constexpr double pointsPerInch = 72.0;
constexpr double pointsPerMm = pointsPerInch / mmPerInch;
/// Dashes and the gaps between them.
constexpr double dashMm = 2.0;

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
	auto* bytes = static_cast<std::vector<unsigned char>*>(closure);
	bytes->insert(bytes->end(), data, data + length);
	return CAIRO_STATUS_SUCCESS;
}

}  // namespace

PdfDocument::PdfDocument()
{
	// The first page's size is set when it begins.
	m_surface = cairo_pdf_surface_create_for_stream(appendBytes, &m_bytes, 1.0, 1.0);
	m_cairo = cairo_create(m_surface);
}

PdfDocument::~PdfDocument()
{
	cairo_destroy(m_cairo);
	cairo_surface_destroy(m_surface);
}

bool PdfDocument::drawn() const
{
	return cairo_status(m_cairo) == CAIRO_STATUS_SUCCESS && cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS;
}

void PdfDocument::beginPage(cv::Size2d sizeMm)
{
	if (m_pages++ > 0)
	{
		cairo_show_page(m_cairo);
	}
	cairo_pdf_surface_set_size(m_surface, sizeMm.width * pointsPerMm, sizeMm.height * pointsPerMm);
	cairo_reset_clip(m_cairo);
	cairo_identity_matrix(m_cairo);
	cairo_scale(m_cairo, pointsPerMm, pointsPerMm);
}

void PdfDocument::clipTo(cv::Rect2d rect)
{
	cairo_reset_clip(m_cairo);
	cairo_rectangle(m_cairo, rect.x, rect.y, rect.width, rect.height);
	cairo_clip(m_cairo);
}

void PdfDocument::unclip()
{
	cairo_reset_clip(m_cairo);
}

void PdfDocument::picture(const cv::Mat& image, double pixelsPerMm, cv::Point2d topLeft)
{
	// Cairo's RGB24 is a 32-bit word a pixel, blue in the lowest byte: BGRA in memory.
	cairo_surface_t* pixels = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.cols, image.rows);
	cairo_surface_flush(pixels);
	cv::Mat words(image.rows, image.cols, CV_8UC4, cairo_image_surface_get_data(pixels),
		size_t(cairo_image_surface_get_stride(pixels)));
	cv::cvtColor(image, words, image.channels() == 1 ? cv::COLOR_GRAY2BGRA : cv::COLOR_BGR2BGRA);
	cairo_surface_mark_dirty(pixels);

	cairo_save(m_cairo);
	cairo_translate(m_cairo, topLeft.x, topLeft.y);
	cairo_scale(m_cairo, 1.0 / pixelsPerMm, 1.0 / pixelsPerMm);
	cairo_set_source_surface(m_cairo, pixels, 0.0, 0.0);
	cairo_pattern_set_filter(cairo_get_source(m_cairo), CAIRO_FILTER_NEAREST);
	cairo_paint(m_cairo);
	cairo_restore(m_cairo);
	cairo_surface_destroy(pixels);
}

void PdfDocument::line(cv::Point2d from, cv::Point2d to, const LineStyle& style)
{
	cairo_move_to(m_cairo, from.x, from.y);
	cairo_line_to(m_cairo, to.x, to.y);
	stroke(style);
}

void PdfDocument::rectangle(cv::Rect2d rect, const LineStyle& style)
{
	cairo_rectangle(m_cairo, rect.x, rect.y, rect.width, rect.height);
	stroke(style);
}

void PdfDocument::stroke(const LineStyle& style)
{
	cairo_save(m_cairo);
	cairo_set_line_width(m_cairo, style.widthMm);
	cairo_set_source_rgb(m_cairo, style.grey, style.grey, style.grey);
	const double dashes[] = {dashMm};
	cairo_set_dash(m_cairo, dashes, style.dashed ? 1 : 0, 0.0);
	cairo_stroke(m_cairo);
	cairo_restore(m_cairo);
}

void PdfDocument::text(cv::Point2d at, double heightMm, const std::string& words, double degrees)
{
	cairo_save(m_cairo);
	cairo_translate(m_cairo, at.x, at.y);
	cairo_rotate(m_cairo, degrees * CV_PI / 180.0);
	cairo_select_font_face(m_cairo, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
	cairo_set_font_size(m_cairo, heightMm);
	cairo_set_source_rgb(m_cairo, 0.0, 0.0, 0.0);
	cairo_move_to(m_cairo, 0.0, 0.0);
	cairo_show_text(m_cairo, words.c_str());
	cairo_restore(m_cairo);
}

std::error_code PdfDocument::write(const std::string& path)
{
	cairo_surface_finish(m_surface);
	if (!drawn() || m_pages == 0)
	{
		return std::make_error_code(std::errc::io_error);
	}
	return writeWholeFile(path, m_bytes);
}
