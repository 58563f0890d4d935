// Writes the board sheet and the portal card to print, from the marker
// configurations the program reads: each as a PDF at true size (print it at
// 100 %) and as a PNG picture at 300 dpi that says its resolution.
//
//   print_board [--paper a3|a4] [OUTPUT_DIR]    (default: A3, the working directory)
//
// The board is A3 in landscape; with --paper a4 its PDF holds two A4 pages
// to join. The card's PDF is an A4 page with the card and its cut lines. The
// marker files are read from Data/ in the working directory, or from the
// installed data when there is no Data/ there.

#include "app/DataFiles.h"
#include "markers/BoardSheet.h"
#include "print/BoardPages.h"
#include "print/PngResolution.h"
#include "print/SheetPages.h"
#include "tools/ToolUsage.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

const char* const usage = "usage: print_board [--paper a3|a4] [OUTPUT_DIR]\n"
						  "writes into OUTPUT_DIR (default: the working directory), from the data\n"
						  "directory's marker files, each sheet to print at 100 %:\n"
						  "  board.pdf    the board at true size: one A3 page (landscape), or with\n"
						  "               --paper a4 two A4 pages to cut and glue together\n"
						  "  portal.pdf   the portal card on an A4 page, with its cut lines\n"
						  "  board.png, portal.png  the same sheets as pictures at 300 dpi\n";

/// A marker set read, or a message naming its file.
bool readSet(const std::string& file, ARMultiMarkerInfoT& set)
{
	std::string error;
	if (!readMultiMarkerConfig(file, set, error))
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return false;
	}
	return true;
}

/// Say what was written, or why it was not; true when it was.
bool said(const std::string& path, const std::error_code& failure, const std::string& what)
{
	if (failure)
	{
		std::fprintf(stderr, "%s: cannot write it: %s\n", path.c_str(), failure.message().c_str());
		return false;
	}
	std::printf("%s: %s\n", path.c_str(), what.c_str());
	return true;
}

bool writePicture(const std::string& path, const SheetImage& sheet)
{
	char what[120];
	std::snprintf(what, sizeof what, "%d x %d pixels, %.0f x %.0f mm at %.0f dpi", sheet.image.cols, sheet.image.rows,
		sheet.image.cols / sheet.pixelsPerMm, sheet.image.rows / sheet.pixelsPerMm, printDotsPerInch);
	return said(path, writePngAtResolution(path, sheet.image, printDotsPerInch), what);
}

/// What a set's markers measure printed, "40.0 mm", or a range when they differ.
std::string markerSide(const ARMultiMarkerInfoT& set)
{
	double smallest = 1e9;
	double largest = 0.0;
	for (const ARMultiEachMarkerInfoT& marker : set.marker)
	{
		smallest = std::min(smallest, marker.width);
		largest = std::max(largest, marker.width);
	}
	char text[60];
	if (smallest == largest)
	{
		std::snprintf(text, sizeof text, "%.1f mm", largest);
	}
	else
	{
		std::snprintf(text, sizeof text, "%.1f to %.1f mm", smallest, largest);
	}
	return text;
}

bool writeBoard(const std::string& directory, const ARMultiMarkerInfoT& set, Paper paper)
{
	const SheetImage sheet = renderMarkerSheet(set, cv::Size2d(boardSheetWidth, boardSheetHeight), printPixelsPerMm);
	const std::string pdf = directory + "board.pdf";
	const std::error_code failure = writeBoardPdf(pdf, sheet, set, paper);
	if (failure == std::errc::value_too_large)
	{
		std::fprintf(stderr, "%s: the board's markers do not fit two A4 pages; print it on A3 (--paper a3)\n",
			pdf.c_str());
		return false;
	}
	const bool written = said(pdf, failure,
		paper == Paper::A3 ? "the board at true size on one A3 page, landscape"
						   : "the board at true size on two A4 pages: cut sheet 1 along its dashed line and glue it "
							 "on sheet 2's strip, crosses on crosses");
	return writePicture(directory + "board.png", sheet) && written;
}

bool writeCard(const std::string& directory, const ARMultiMarkerInfoT& set)
{
	const SheetImage card = renderMarkerSheet(set, cv::Size2d(portalCardSide, portalCardSide), printPixelsPerMm);
	const std::string pdf = directory + "portal.pdf";
	const bool written = said(pdf,
		writeCardPdf(pdf, card.image, card.pixelsPerMm,
			"portal card: cut along the outline; its marker measures " + markerSide(set)),
		"the portal card on an A4 page: cut it out along its outline");
	return writePicture(directory + "portal.png", card) && written;
}

}  // namespace

int main(int argc, char** argv)
{
	if (answeredHelpOrVersion(argc, argv, usage))
	{
		return 0;
	}
	if (const char* option = unknownOption(argc, argv, {"--paper"}))
	{
		return refuseOption(argv[0], option);
	}
	Paper paper = Paper::A3;
	std::vector<std::string> positional;
	for (int i = 1; i < argc; ++i)
	{
		if (std::string(argv[i]) != "--paper")
		{
			positional.push_back(argv[i]);
		}
		else if (i + 1 >= argc || !parsePaper(argv[++i], paper))
		{
			std::fprintf(stderr, "print_board: --paper takes a3 or a4\n");
			return 2;
		}
	}
	if (positional.size() > 1)
	{
		std::fputs(usage, stderr);
		return 2;
	}
	const std::string directory = positional.empty() ? "" : positional.front() + "/";
	const DataFiles files(chooseDataDirectory("", shippedDataDirectory()));
	ARMultiMarkerInfoT board;
	ARMultiMarkerInfoT portal;
	if (!readSet(files.boardMarkers, board) || !readSet(files.portalMarkers, portal))
	{
		return 1;
	}
	const bool boardWritten = writeBoard(directory, board, paper);
	const bool cardWritten = writeCard(directory, portal);
	if (!boardWritten || !cardWritten)
	{
		return 1;
	}
	std::printf("printed at 100 %% (not \"fit to page\"), a board marker measures %s and the card's %s: "
				"check with a ruler\n",
		markerSide(board).c_str(), markerSide(portal).c_str());
	return 0;
}
