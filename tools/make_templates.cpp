// make_templates: the two circle template files from a photograph of the
// user's own pens.
//
//     make_templates BOARD.png [DIRECTORY]
//
// BOARD.png is a rectified colour board (640 x 480, as the "warped" window shows it)
// with at least one black and one yellow circle drawn at the size circles
// will be drawn in play. For each ink the roundest ring is taken, as the
// contour search of the game sees it, and written to DIRECTORY (the current
// directory by default) as circleExample.txt and circleExampleYellow.txt.

#include "analysis/ShapeDescriptor.h"
#include "analysis/TemplateFile.h"
#include "analysis/TemplateRing.h"
#include "app/FixedValues.h"
#include "render/HeadlessDisplay.h"
#include "tracking/BoardScanner.h"
#include "tracking/StillFrameSource.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <string>

namespace
{

bool writeTemplate(const std::string& board, const std::string& ink, const std::vector<cv::Point>& ring,
	const std::string& path)
{
	if (ring.empty())
	{
		std::fprintf(stderr, "%s: no closed %s circle found; nothing written\n", board.c_str(), ink.c_str());
		return false;
	}
	if (!saveTemplatePoints(path, ring))
	{
		return false;
	}
	const ShapeDescriptor d = computeDescriptor(ring);
	std::printf("%s: %zu points, centre (%.1f, %.1f), mean radius %.1f pixels\n", path.c_str(), ring.size(),
		d.at<double>(0), d.at<double>(1), d.at<double>(8));
	return true;
}

}  // namespace

int main(int argc, char** argv)
{
	if (argc < 2 || argc > 3)
	{
		std::fprintf(stderr, "usage: make_templates BOARD.png [DIRECTORY]\n");
		return 2;
	}
	const std::string board = argv[1];
	const std::string directory = argc == 3 ? std::string(argv[2]) + "/" : std::string();

	const cv::Mat image = cv::imread(board, cv::IMREAD_COLOR);
	if (image.empty())
	{
		std::fprintf(stderr, "%s: cannot read the image\n", board.c_str());
		return 1;
	}
	if (image.cols != boardWidth || image.rows != boardHeight)
	{
		std::fprintf(stderr, "%s: the image is %d x %d; a rectified board is %d x %d\n", board.c_str(), image.cols,
			image.rows, boardWidth, boardHeight);
		return 1;
	}

	HeadlessDisplay display;
	BoardScanner scanner(std::make_unique<StillFrameSource>(image), display);
	scanner.warpedColor = image;
	scanner.segmentColours();
	scanner.extractBlackContours();
	const std::vector<cv::Point> black = roundestRing(scanner.blackContours, scanner.hierarchy);
	scanner.extractColourContours();
	const std::vector<cv::Point> yellow = roundestRing(scanner.yellowContours, scanner.hierarchy);

	const bool blackDone = writeTemplate(board, "black", black, directory + "circleExample.txt");
	const bool yellowDone = writeTemplate(board, "yellow", yellow, directory + "circleExampleYellow.txt");
	return blackDone && yellowDone ? 0 : 1;
}
