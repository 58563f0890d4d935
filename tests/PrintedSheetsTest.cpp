// The sheets the tools write to print, read back as a printer would take
// them: the PDFs' page sizes from pdfinfo, their pages rendered by pdftoppm
// and the markers on them measured with the program's own detection.

#include "ToolRun.h"

#include "analysis/BoardColours.h"
#include "analysis/DrawingAnalysis.h"
#include "analysis/MarkerRegions.h"
#include "core/Version.h"
#include "calibration/CharucoCalibration.h"
#include "markers/BoardSheet.h"
#include "markers/MarkerTracker.h"
#include "scenes/SyntheticBoardCamera.h"
#include "tracking/BoardScanner.h"
#include "AnalysisTestSupport.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <filesystem>
#include <map>

namespace
{

constexpr double mmPerInch = 25.4;
/// Rendered pages: enough for half a millimetre to be six pixels.
constexpr int renderDpi = 300;

/// Page `page` of a PDF rendered at `dpi`, in grey.
cv::Mat renderPage(const std::string& pdf, int page, int dpi = renderDpi)
{
	const std::string prefix = scratchFolder() + "rendered";
	const ToolRun run = runTool("pdftoppm -gray -png -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l "
		+ std::to_string(page) + " -singlefile " + pdf + " " + prefix);
	EXPECT_EQ(run.status, 0) << "pdftoppm (poppler-utils) on " << pdf << ": " << run.err;
	return cv::imread(prefix + ".png", cv::IMREAD_GRAYSCALE);
}

/// pdfinfo's "Page size:" line of a PDF, and its page count.
std::string pageSize(const std::string& pdf, int& pages)
{
	const ToolRun run = runTool("pdfinfo " + pdf);
	EXPECT_EQ(run.status, 0) << "pdfinfo (poppler-utils) on " << pdf << ": " << run.err;
	const size_t count = run.out.find("Pages:");
	pages = count == std::string::npos ? 0 : std::stoi(run.out.substr(count + 6));
	const size_t size = run.out.find("Page size:");
	return size == std::string::npos ? "" : run.out.substr(size, run.out.find('\n', size) - size);
}

/// The markers of a set found on a rendered page: for each, its index in the
/// set and its corners in millimetres from the page's top-left corner.
std::map<int, std::vector<cv::Point2d>> markersOnPage(const cv::Mat& page, const char* setFile, int dpi = renderDpi)
{
	MarkerTracker tracker(nullptr);
	ARParam camera = {};
	camera.xsize = page.cols;
	camera.ysize = page.rows;
	tracker.arInitCparam(&camera);
	const ARMultiMarkerInfoT* set = tracker.arMultiReadConfigFile(setFile);
	cv::Mat pixels;
	cv::cvtColor(page, pixels, cv::COLOR_GRAY2BGRA);
	ARMarkerInfo* found = nullptr;
	int count = 0;
	std::map<int, std::vector<cv::Point2d>> markers;
	if (set == nullptr || tracker.arDetectMarker(pixels.data, 100, &found, &count) != 0)
	{
		return markers;
	}
	for (int k = 0; k < count; ++k)
	{
		for (size_t i = 0; i < set->marker.size(); ++i)
		{
			if (set->marker[i].patt_id != found[k].id)
			{
				continue;
			}
			for (const auto& vertex : found[k].vertex)
			{
				markers[int(i)].push_back(cv::Point2d(vertex[0] + 0.5, vertex[1] + 0.5) * (mmPerInch / dpi));
			}
		}
	}
	return markers;
}

double meanSide(const std::vector<cv::Point2d>& corners)
{
	double sum = 0.0;
	for (size_t i = 0; i < 4; ++i)
	{
		sum += cv::norm(corners[i] - corners[(i + 1) % 4]);
	}
	return sum / 4.0;
}

cv::Point2d centreOf(const std::vector<cv::Point2d>& corners)
{
	return (corners[0] + corners[1] + corners[2] + corners[3]) / 4.0;
}

ARMultiMarkerInfoT boardSet()
{
	ARMultiMarkerInfoT set;
	std::string error;
	EXPECT_TRUE(readMultiMarkerConfig("Data/markers/marker.dat", set, error)) << error;
	return set;
}

/// A marker's centre on the board sheet, millimetres from its top-left corner.
cv::Point2d sheetCentre(const ARMultiEachMarkerInfoT& marker)
{
	return cv::Point2d(boardSheetWidth / 2.0 + marker.trans[0][3], boardSheetHeight / 2.0 - marker.trans[1][3]);
}

/// The page column (in millimetres) darkest between two heights: a vertical line there.
double darkestColumn(const cv::Mat& page, double topMm, double bottomMm)
{
	const double pixelsPerMm = renderDpi / mmPerInch;
	const cv::Mat band = page.rowRange(int(topMm * pixelsPerMm), int(bottomMm * pixelsPerMm)) < 128;
	cv::Mat columns;
	cv::reduce(band / 255, columns, 0, cv::REDUCE_SUM, CV_32S);
	cv::Point darkest;
	cv::minMaxLoc(columns, nullptr, nullptr, nullptr, &darkest);
	return (darkest.x + 0.5) / pixelsPerMm;
}

/// The resolution a PNG file says in its pHYs chunk: x and y pixels per unit
/// and the unit (1, the metre); zeros when it has none.
std::array<uint32_t, 3> pngResolution(const std::string& path)
{
	const std::string bytes = fileText(path);
	const size_t chunk = bytes.find("pHYs");
	if (chunk == std::string::npos || chunk + 13 > bytes.size())
	{
		return {0, 0, 0};
	}
	const auto word = [&](size_t at) {
		uint32_t value = 0;
		for (size_t i = 0; i < 4; ++i)
		{
			value = value << 8 | uint8_t(bytes[at + i]);
		}
		return value;
	};
	return {word(chunk + 4), word(chunk + 8), uint32_t(uint8_t(bytes[chunk + 12]))};
}

std::string printBoard(const std::string& arguments)
{
	const std::string directory = scratchFolder() + "print/";
	std::filesystem::remove_all(directory);
	std::filesystem::create_directories(directory);
	const ToolRun run = runTool(std::string(PRINT_BOARD_TOOL) + " " + arguments + " " + directory);
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_NE(run.out.find("a board marker measures 40.0 mm and the card's 60.0 mm"), std::string::npos) << run.out;
	return directory;
}

TEST(PrintedSheets, BoardOnA3PrintsEveryMarkerAtItsTrueSizeAndPlace)
{
	const std::string directory = printBoard("");
	int pages = 0;
	EXPECT_EQ(pageSize(directory + "board.pdf", pages), "Page size:       1190.55 x 841.89 pts (A3)");
	EXPECT_EQ(pages, 1);
	const auto markers = markersOnPage(renderPage(directory + "board.pdf", 1), "Data/markers/marker.dat");
	const ARMultiMarkerInfoT set = boardSet();
	ASSERT_EQ(markers.size(), set.marker.size());
	for (const auto& [index, corners] : markers)
	{
		EXPECT_NEAR(meanSide(corners), 40.0, 0.5) << "marker " << index;
		EXPECT_LT(cv::norm(centreOf(corners) - sheetCentre(set.marker[size_t(index)])), 0.5) << "marker " << index;
	}

	// The card: one marker of 60 mm in the middle of an A4 page.
	EXPECT_EQ(pageSize(directory + "portal.pdf", pages), "Page size:       595.276 x 841.89 pts (A4)");
	const auto card = markersOnPage(renderPage(directory + "portal.pdf", 1), "Data/markers/portal.dat");
	ASSERT_EQ(card.size(), 1u);
	EXPECT_NEAR(meanSide(card.begin()->second), 60.0, 0.5);
	EXPECT_LT(cv::norm(centreOf(card.begin()->second) - cv::Point2d(105.0, 148.5)), 0.5);
}

TEST(PrintedSheets, BoardOnTwoA4SheetsJoinsAtItsMarksToTheTrueBoard)
{
	const std::string directory = printBoard("--paper a4");
	int pages = 0;
	EXPECT_EQ(pageSize(directory + "board.pdf", pages), "Page size:       595.276 x 841.89 pts (A4)");
	ASSERT_EQ(pages, 2);
	const cv::Mat first = renderPage(directory + "board.pdf", 1);
	const cv::Mat second = renderPage(directory + "board.pdf", 2);
	// Sheet 1 is cut along its line and laid on sheet 2, the line on sheet
	// 2's line: both lie between the top markers and the drawing area.
	const double shift = darkestColumn(first, 55.0, 75.0) - darkestColumn(second, 55.0, 75.0);
	std::map<int, cv::Point2d> joined;
	for (const auto& [page, offset] : {std::make_pair(&first, 0.0), std::make_pair(&second, shift)})
	{
		for (const auto& [index, corners] : markersOnPage(*page, "Data/markers/marker.dat"))
		{
			EXPECT_NEAR(meanSide(corners), 40.0, 0.5) << "marker " << index;
			EXPECT_EQ(joined.count(index), 0u) << "marker " << index << " is on both sheets";
			joined[index] = centreOf(corners) + cv::Point2d(offset, 0.0);
		}
	}
	const ARMultiMarkerInfoT set = boardSet();
	ASSERT_EQ(joined.size(), set.marker.size());
	for (const auto& [one, at] : joined)
	{
		for (const auto& [other, otherAt] : joined)
		{
			const double apart = cv::norm(sheetCentre(set.marker[size_t(one)]) - sheetCentre(set.marker[size_t(other)]));
			EXPECT_NEAR(cv::norm(at - otherAt), apart, 0.5) << "markers " << one << " and " << other;
		}
	}
}

TEST(PrintedSheets, InkIsReadRightUpToTheOutlineButNeverTheOutline)
{
	const std::string directory = printBoard("");
	SheetImage printed;
	cv::cvtColor(renderPage(directory + "board.pdf", 1), printed.image, cv::COLOR_GRAY2BGR);
	printed.pixelsPerMm = renderDpi / mmPerInch;
	// The outline is all that is printed in the middle of the sheet.
	const cv::Rect middle(cv::Point(int(80 * printed.pixelsPerMm), int(70 * printed.pixelsPerMm)),
		cv::Point(int(340 * printed.pixelsPerMm), int(230 * printed.pixelsPerMm)));
	cv::Mat grey;
	cv::cvtColor(printed.image(middle), grey, cv::COLOR_BGR2GRAY);
	const cv::Rect outline = cv::boundingRect(grey < 200) + middle.tl();
	ASSERT_GT(outline.width, 1000);

	const auto wallContours = [&](const SheetImage& sheet) {
		std::string error;
		ARParam camera;
		EXPECT_EQ(arParamLoad("Data/camera_para.dat", 1, &camera), 0);
		BoardScanner scanner(std::make_unique<SyntheticBoardCamera>(sheet, boardSet(), camera, viewOfBoard(500, 20, 5)));
		EXPECT_TRUE(scanner.initCamera());
		scanner.sceneMoved();
		scanner.setReferenceFrame(scanner.cameraFrame());
		AnalysisRig rig;
		EXPECT_TRUE(scanner.scanBoard(rig.board));
		rig.setBoard(normaliseBoardColours(rig.board));
		segmentColours(rig.ink, rig.display);
		applyMarkerRegions(rig.board, rig.ink.blackMask, rig.scene, nullptr);
		extractBlackContours(rig.ink, rig.display);
		return rig.ink.blackContours.size();
	};
	EXPECT_EQ(wallContours(printed), 0u);

	// A marker stroke 5 mm inside the outline's top edge becomes a wall.
	const double mm = printed.pixelsPerMm;
	cv::line(printed.image, outline.tl() + cv::Point(int(20 * mm), int(5 * mm)),
		outline.tl() + cv::Point(int(120 * mm), int(5 * mm)), cv::Scalar(20, 20, 20), int(mm));
	EXPECT_EQ(wallContours(printed), 1u);
}

TEST(PrintedSheets, PicturesKeepTheirPixelsAndSayTheirResolution)
{
	const std::string directory = printBoard("");
	const ARMultiMarkerInfoT set = boardSet();
	const SheetImage sheet =
		renderMarkerSheet(set, cv::Size2d(boardSheetWidth, boardSheetHeight), 300.0 / mmPerInch);
	const cv::Mat written = cv::imread(directory + "board.png");
	ASSERT_EQ(written.size(), sheet.image.size());
	EXPECT_EQ(cv::norm(written, sheet.image, cv::NORM_INF), 0.0);
	// 300 dpi: 11811 pixels a metre.
	const std::array<uint32_t, 3> perMetre{11811, 11811, 1};
	EXPECT_EQ(pngResolution(directory + "board.png"), perMetre);
	EXPECT_EQ(pngResolution(directory + "portal.png"), perMetre);

	// The calibration board: the same, and its squares at their size.
	const std::string charuco = directory + "charuco.png";
	const ToolRun run = runTool(std::string(CALIBRATE_PATH) + " print " + charuco);
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_NE(run.out.find("a square measures 35.0 mm"), std::string::npos) << run.out;
	EXPECT_EQ(pngResolution(charuco), perMetre);
	int pages = 0;
	EXPECT_EQ(pageSize(directory + "charuco.pdf", pages), "Page size:       841.89 x 595.276 pts (A4)");
	const CharucoLayout layout;
	const cv::Mat page = renderPage(directory + "charuco.pdf", 1, 150);
	const CharucoView view = findCharucoCorners(layout, page);
	ASSERT_EQ(int(view.ids.size()), layout.cornerCount());
	// Neighbouring inner corners along a row.
	const int perRow = layout.squaresX - 1;
	for (size_t i = 0; i + 1 < view.ids.size(); ++i)
	{
		if (view.ids[i + 1] == view.ids[i] + 1 && view.ids[i + 1] % perRow != 0)
		{
			EXPECT_NEAR(cv::norm(view.corners[i + 1] - view.corners[i]) * mmPerInch / 150.0, layout.squareSide, 0.5);
		}
	}
}

TEST(PrintedSheets, PrintToolTakesNoUnknownOptionForAFolder)
{
	const std::string directory = scratchFolder() + "options/";
	std::filesystem::create_directories(directory);
	const std::string tool = "cd " + directory + " && " + PRINT_BOARD_TOOL;
	ToolRun run = runTool(tool + " --version");
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.out, "print_board (drawtable) " DRAWTABLE_VERSION "\n");
	run = runTool(tool + " --frobnicate");
	EXPECT_EQ(run.status, 2);
	EXPECT_EQ(run.err, "print_board: unknown option \"--frobnicate\" (print_board --help lists them)\n");
	run = runTool(tool + " --paper a5");
	EXPECT_EQ(run.status, 2);
	EXPECT_EQ(run.err, "print_board: --paper takes a3 or a4\n");
	EXPECT_TRUE(std::filesystem::is_empty(directory));
}

}  // namespace
