#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <system_error>
#include <vector>

struct _cairo;
struct _cairo_surface;

/// How a line is drawn: its width in millimetres, its grey (0 black, 1
/// white) and whether it is dashed.
struct LineStyle
{
	double widthMm = 0.2;
	double grey = 0.0;
	bool dashed = false;
};

/// A PDF of pages at true size, drawn with cairo's PDF surface into memory
/// and written whole when done. Every length is in millimetres, measured from
/// the page's top-left corner, x to the right and y down.
class PdfDocument
{
public:
	PdfDocument();
	~PdfDocument();
	PdfDocument(const PdfDocument&) = delete;
	PdfDocument& operator=(const PdfDocument&) = delete;

	/// Start a page of this size; what is drawn next goes on it.
	void beginPage(cv::Size2d sizeMm);

	/// What is drawn next shows only inside `rect`, until unclip or the next page.
	void clipTo(cv::Rect2d rect);
	void unclip();

	/// An 8-bit grey or BGR picture of `pixelsPerMm`, its top-left corner at
	/// `topLeft`; pixels stay sharp squares.
	void picture(const cv::Mat& image, double pixelsPerMm, cv::Point2d topLeft);
	void line(cv::Point2d from, cv::Point2d to, const LineStyle& style);
	void rectangle(cv::Rect2d rect, const LineStyle& style);
	/// Black sans-serif text of this height starting at `at` (its baseline),
	/// turned by `degrees` clockwise.
	void text(cv::Point2d at, double heightMm, const std::string& words, double degrees = 0.0);

	/// End the last page and write the document whole (writeWholeFile).
	/// Nothing can be drawn afterwards.
	std::error_code write(const std::string& path);

private:
	/// Draw the path so far in this style, and forget it.
	void stroke(const LineStyle& style);
	/// Cairo's status: whether everything so far was drawn.
	bool drawn() const;

	std::vector<unsigned char> m_bytes;
	_cairo_surface* m_surface = nullptr;
	_cairo* m_cairo = nullptr;
	int m_pages = 0;
};
