// make_templates: the two circle template files from a picture of the
// user's own pens, or with --inks the user's own black and yellow.
//
//     make_templates [--data DIR] [--inks] BOARD.png [DIRECTORY]
//     make_templates [--data DIR] [--inks] --photo PHOTO.png [DIRECTORY]
//     make_templates [--data DIR] [--inks] --device N [DIRECTORY]
//
// The board must show at least one black and one yellow circle drawn at the
// size circles will be drawn in play. BOARD.png is a rectified colour board
// (640 x 480, as the "warped" window shows it); PHOTO.png, or a frame of camera
// N, is a camera picture of the whole board, which is found by its markers and
// rectified as the program does it (with the camera and marker files of the
// data directory, chosen as the program chooses it). Its colours are read as
// the program reads them, mapped to a neutral room's by the paper's white, so
// templates made under one light serve under another. For each ink the
// roundest ring is taken, as the contour search of the game sees it, and
// written to DIRECTORY (the current directory by default) as circleExample.txt
// and circleExampleYellow.txt. Shapes cut by the picture's edge are left out:
// a rectified board's corners cut its markers. Both templates are written or
// neither, the ones before kept as circleExample.txt.bak and
// circleExampleYellow.txt.bak; the status is 0 only when both were written.
// The inks are read as the program reads them: with the data directory's
// inks.txt when there is one.
//
// With --inks, the same picture is a sample of the user's own pens (a ring or
// a few strokes of each), whose black and yellow are learned and written to
// DIRECTORY as inks.txt; the program reads that file from its data directory
// and takes those inks in place of its built-in ones.

#include "analysis/BoardColours.h"
#include "analysis/ColourSegmentation.h"
#include "analysis/ContourExtraction.h"
#include "analysis/InkLearning.h"
#include "analysis/OwnInks.h"
#include "analysis/ShapeDescriptor.h"
#include "analysis/TemplateFile.h"
#include "analysis/TemplateRing.h"
#include "app/DataFiles.h"
#include "core/FixedValues.h"
#include "platform/HeadlessDisplay.h"
#include "tracking/BoardScanner.h"
#include "platform/StillFrameSource.h"
#include "platform/ReplacedFiles.h"
#include "tools/ToolUsage.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

const char* const usage = "usage: make_templates [--data DIR] [--inks] BOARD.png [DIRECTORY]\n"
						  "       make_templates [--data DIR] [--inks] --photo PHOTO.png [DIRECTORY]\n"
						  "       make_templates [--data DIR] [--inks] --device N [DIRECTORY]\n";

/// A camera's first frames are often dark while its exposure settles.
constexpr int framesToSettle = 30;

/// What the command line asked for.
struct Request
{
	std::string dataDir;
	std::string picture;
	bool photo = false;
	bool device = false;
	/// Learn the inks instead of making the templates.
	bool inks = false;
	std::string directory;
};

bool parseRequest(const std::vector<std::string>& arguments, Request& request)
{
	std::vector<std::string> positional;
	for (size_t i = 0; i < arguments.size(); ++i)
	{
		const std::string& name = arguments[i];
		const bool hasValue = i + 1 < arguments.size();
		if (name == "--data" && hasValue)
		{
			request.dataDir = arguments[++i];
		}
		else if (name == "--inks")
		{
			request.inks = true;
		}
		else if ((name == "--photo" || name == "--device") && hasValue && request.picture.empty())
		{
			(name == "--photo" ? request.photo : request.device) = true;
			request.picture = arguments[++i];
		}
		else if (name.empty() || name[0] == '-')
		{
			return false;
		}
		else
		{
			positional.push_back(name);
		}
	}
	if (request.picture.empty() && !positional.empty())
	{
		request.picture = positional.front();
		positional.erase(positional.begin());
	}
	if (request.picture.empty() || positional.size() > 1)
	{
		return false;
	}
	request.directory = positional.empty() ? std::string() : positional.front();
	if (!request.directory.empty() && request.directory.back() != '/')
	{
		request.directory += '/';
	}
	return true;
}

/// A frame of camera `where` ("device:N"), once its exposure has settled.
cv::Mat grabFrame(const std::string& where)
{
	std::unique_ptr<FrameSource> camera = openFrameSource(where);
	cv::Mat frame;
	for (int i = 0; camera && camera->isOpened() && i < framesToSettle; ++i)
	{
		cv::Mat next;
		if (camera->read(next) && !next.empty())
		{
			frame = next.clone();
		}
	}
	return frame;
}

/// Find the board in a camera picture and rectify it as the program does.
/// Empty, after a message naming the picture or the file at fault, when it cannot.
cv::Mat rectifyPhoto(const cv::Mat& photo, const std::string& name, const DataFiles& files)
{
	BoardScanner scanner(std::make_unique<StillFrameSource>(photo), files.tracker());
	if (!scanner.initCamera())
	{
		return cv::Mat();
	}
	scanner.setReferenceFrame(photo);
	RectifiedBoard board;
	if (!scanner.scanBoard(board))
	{
		std::fprintf(stderr, "%s: the board was not found: all six markers of %s should show, evenly lit\n",
			name.c_str(), files.boardMarkers.c_str());
		return cv::Mat();
	}
	return normaliseBoardColours(board);
}

/// The rectified board the request names; empty after a message when there is none.
cv::Mat rectifiedBoard(const Request& request, const DataFiles& files)
{
	const std::string name = request.device ? "device:" + request.picture : request.picture;
	const cv::Mat image = request.device ? grabFrame(name) : cv::imread(name, cv::IMREAD_COLOR);
	if (image.empty())
	{
		std::fprintf(stderr, "%s: %s\n", name.c_str(), request.device ? "no frame from the camera" : "cannot read the image");
		return cv::Mat();
	}
	if (request.photo || request.device)
	{
		return rectifyPhoto(image, name, files);
	}
	if (image.cols != boardWidth || image.rows != boardHeight)
	{
		std::fprintf(stderr, "%s: the image is %d x %d; a rectified board is %d x %d (use --photo for a camera picture)\n",
			name.c_str(), image.cols, image.rows, boardWidth, boardHeight);
		return cv::Mat();
	}
	// Without a scan the markers' places are not known: paper is looked for
	// everywhere, and the markers' cells disagree with it and are left out.
	cv::Mat board = image.clone();
	PaperWhite::readAsNeutral(board, cv::Mat(board.size(), CV_8UC1, cv::Scalar(255)));
	return board;
}

/// Files named in one line: "a and b".
std::string listed(const std::vector<std::string>& files)
{
	std::string text;
	for (size_t i = 0; i < files.size(); ++i)
	{
		text += (i == 0 ? "" : i + 1 == files.size() ? " and " : ", ") + files[i];
	}
	return text;
}

/// Put the new files in place of the old, all or none, keeping the old ones
/// under their backup names; says what was written, or that nothing was.
bool replaceAll(const std::vector<Replacement>& files)
{
	std::vector<std::string> names;
	for (const Replacement& file : files)
	{
		names.push_back(file.path);
	}
	const ReplacementResult result = replaceKeepingBackups(files);
	if (result.error)
	{
		std::fprintf(stderr, "%s: cannot write it: %s; %s\n", result.failedPath.c_str(), result.error.message().c_str(),
			result.restored ? ("nothing written, " + listed(names) + " as they were").c_str()
							: "and the files written before it could not be put back");
		return false;
	}
	std::vector<std::string> backups;
	for (const std::string& path : result.backedUp)
	{
		backups.push_back(backupName(path));
	}
	const std::string kept = backups.empty() ? "" : "; the ones before are kept as " + listed(backups);
	std::printf("%s written%s\n", listed(names).c_str(), kept.c_str());
	return true;
}

/// Both circle templates from the board's roundest rings, or neither.
int makeTemplates(const std::string& board, const InkLayers& ink, const std::string& directory)
{
	const cv::Size size = ink.colours.size();
	const std::vector<cv::Point> black = roundestRing(ink.blackContours, ink.blackHierarchy, size);
	const std::vector<cv::Point> yellow = roundestRing(ink.yellowContours, ink.yellowHierarchy, size);
	const std::vector<Replacement> files{{directory + "circleExample.txt", templatePointsText(black)},
		{directory + "circleExampleYellow.txt", templatePointsText(yellow)}};
	if (black.empty() || yellow.empty())
	{
		const char* missing = black.empty() && yellow.empty() ? "black circle and no closed yellow"
			: black.empty()                                    ? "black"
															   : "yellow";
		std::fprintf(stderr,
			"%s: no closed %s circle found (shapes cut by the picture's edge, and shapes far from round such as "
			"the portal card's code, are left out); nothing written, %s as they were\n",
			board.c_str(), missing, listed({files[0].path, files[1].path}).c_str());
		return 1;
	}
	if (!replaceAll(files))
	{
		return 1;
	}
	for (const auto& [path, ring] : {std::make_pair(files[0].path, black), std::make_pair(files[1].path, yellow)})
	{
		const ShapeDescriptor d = computeDescriptor(ring);
		const cv::Point2d centre = descriptorCentroid(d);
		std::printf("%s: %zu points, centre (%.1f, %.1f), mean radius %.1f pixels\n", path.c_str(), ring.size(),
			centre.x, centre.y, descriptorMeanRadius(d));
	}
	return 0;
}

/// Learn the inks of the sample on `image` and write them whole to `path`.
int learnInks(const std::string& board, const cv::Mat& image, const std::string& path)
{
	OwnInks inks;
	std::string error;
	if (!learnOwnInks(image, inks, error))
	{
		std::fprintf(stderr, "%s: %s; nothing written\n", board.c_str(), error.c_str());
		return 1;
	}
	if (!replaceAll({{path, ownInksText(inks)}}))
	{
		return 1;
	}
	for (const auto& [name, range] : {std::make_pair("black", inks.black), std::make_pair("yellow", inks.yellow)})
	{
		std::printf("%s: %s takes Y %d to %d, Cr %d to %d, Cb %d to %d\n", path.c_str(), name, range.low.y, range.high.y,
			range.low.cr, range.high.cr, range.low.cb, range.high.cb);
	}
	return 0;
}

}  // namespace

int main(int argc, char** argv)
{
	if (answeredHelpOrVersion(argc, argv, usage))
	{
		return 0;
	}
	if (const char* option = unknownOption(argc, argv, {"--data", "--inks", "--photo", "--device"}))
	{
		return refuseOption(argv[0], option);
	}
	Request request;
	if (!parseRequest(std::vector<std::string>(argv + 1, argv + argc), request))
	{
		std::fputs(usage, stderr);
		return 2;
	}
	const DataFiles files(chooseDataDirectory(request.dataDir, shippedDataDirectory()));
	const cv::Mat image = rectifiedBoard(request, files);
	if (image.empty())
	{
		return 1;
	}
	const std::string& board = request.picture;
	if (request.inks)
	{
		return learnInks(board, image, request.directory + "inks.txt");
	}

	HeadlessDisplay display;
	InkLayers ink;
	ink.colours = image;
	std::string error;
	if (!readOwnInks(files.ownInks, ink.own, error))
	{
		std::fprintf(stderr, "%s; the built-in inks are used\n", error.c_str());
	}
	segmentColours(ink, display);
	extractBlackContours(ink, display);
	extractColourContours(ink);
	return makeTemplates(board, ink, request.directory);
}
