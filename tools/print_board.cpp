// Writes the board sheet and the portal card as PNG pictures at 300 dpi, from
// the marker configurations the program reads, ready to print at 100 %: the
// board on A3 in landscape, the card on any sheet (cut it out along its edge).
//
//   print_board [OUTPUT_DIR]    (default: the working directory)
//
// The marker files are read from Data/ in the working directory, or from the
// installed data when there is no Data/ there; it writes board.png and portal.png.

#include "app/DataFiles.h"
#include "markers/BoardSheet.h"
#include "platform/WholeFile.h"
#include "tools/ToolUsage.h"

#include <cstdio>
#include <string>

namespace
{

const char* const usage = "usage: print_board [OUTPUT_DIR]\n"
						  "writes board.png (A3 landscape) and portal.png at 300 dpi into OUTPUT_DIR\n"
						  "(default: the working directory)\n";

constexpr double printDotsPerInch = 300.0;
constexpr double mmPerInch = 25.4;

bool writeSheet(const std::string& configFile, cv::Size2d sizeMm, const std::string& output)
{
	ARMultiMarkerInfoT set;
	std::string error;
	if (!readMultiMarkerConfig(configFile, set, error))
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return false;
	}
	const SheetImage sheet = renderMarkerSheet(set, sizeMm, printDotsPerInch / mmPerInch);
	const std::error_code failure = writeWholeImage(output, sheet.image);
	if (failure)
	{
		std::fprintf(stderr, "%s: cannot write the picture: %s\n", output.c_str(), failure.message().c_str());
		return false;
	}
	std::printf("%s: %d x %d pixels, %.0f x %.0f mm at %.0f dpi\n", output.c_str(), sheet.image.cols,
		sheet.image.rows, sizeMm.width, sizeMm.height, printDotsPerInch);
	return true;
}

}  // namespace

int main(int argc, char** argv)
{
	if (printedHelp(argc, argv, usage))
	{
		return 0;
	}
	if (argc > 2)
	{
		std::fputs(usage, stderr);
		return 2;
	}
	const std::string directory = argc > 1 ? std::string(argv[1]) + "/" : "";
	const DataFiles files(chooseDataDirectory("", shippedDataDirectory()));
	const bool board = writeSheet(files.boardMarkers, cv::Size2d(boardSheetWidth, boardSheetHeight),
		directory + "board.png");
	const bool portal = writeSheet(files.portalMarkers, cv::Size2d(portalCardSide, portalCardSide),
		directory + "portal.png");
	return board && portal ? 0 : 1;
}
