#include "app/Application.h"

#include "analysis/BoardColours.h"
#include "analysis/ColourSegmentation.h"
#include "analysis/ContourExtraction.h"
#include "analysis/HandWatch.h"
#include "tracking/ScanEvent.h"

#include <cmath>
#include <cstdio>

void Application::rescan()
{
	const bool found = scanner.scanBoard(board);
	Event scan = scanEvent(board, found);
	if (!found)
	{
		// A failed detection has said so itself, and ends the run.
		const std::string why = "not scanned: " + scanner.lastScan().reason();
		scanner.detectionFailed() ? (void)scan.set("reason", why) : holdBack(&scan, why);
		scan.set("markersSeen", double(scanner.lastScan().markersSeen));
		trace.report(scan);
		return;
	}
	analyseScannedBoard(board, &scan);
}

void Application::analyseScannedBoard(const RectifiedBoard& scanned, Event* scan)
{
	// The ink and skin ranges hold for paper that reads neutral and bright.
	PaperWhite white;
	ink.colours = readColoursAsNeutral ? normaliseBoardColours(scanned, &white) : scanned.colour;
	const HandSighting hand = hands.look(readColoursAsNeutral ? handTestColours(scanned, &white) : scanned.colour, scanned);
	if (hand.settled)
	{
		const std::string why = "what looked like a hand has lain still through "
			+ std::to_string(HandWatch::settledSightings) + " scans: it is read as drawing";
		std::fprintf(stderr, "%s\n", why.c_str());
		trace.report(Event("settledRegion").set("reason", why).set("share", hand.share));
	}
	if (hand.seen)
	{
		holdBack(scan, "scan held back: a hand over " + std::to_string(int(std::lround(hand.share * 100.0))) + " % of the board");
	}
	if (scan != nullptr)
	{
		trace.report(*scan);
	}
	if (hand.seen)
	{
		// A hand may be drawing or moving things: wait for a new still period.
		trace.report(Event("hand").set("share", hand.share));
		return;
	}
	// The colours are segmented once; the black ink is searched twice.
	segmentColours(ink, *display);
	const cv::Mat segmentedBlack = ink.blackMask.clone();
	analyseDrawing(scanned);
	if (!analysis.isSameMap(ink.blackContours))
	{
		startNewMap();
	}
	// Again from the ink: a new map has marked the first pass's portal, and
	// the balls and walls are taken from a fresh contour search.
	ink.blackMask = segmentedBlack;
	analyseDrawing(scanned);
	analysis.detectBalls(ink.blackContours);
	// Walls are rebuilt at every rescan; the old ones go at the next flush.
	scene.markKind(Wall);
	analysis.wallRecords.clear();
	buildWalls();
	extractColourContours(ink);
	analysis.detectSensorCircles(ink.yellowContours);
	// The still count stays at the threshold, so this still period has no second rescan.
}

void Application::holdBack(Event* scan, const std::string& why)
{
	if (scan != nullptr)
	{
		scan->set("reason", why);
	}
	if (m_stillness.holdBack(scanner))
	{
		std::fprintf(stderr, "%s\n", why.c_str());
	}
}

void Application::analyseDrawing(const RectifiedBoard& scanned)
{
	analysis.applyMarkerRegions(scanned, ink.blackMask);
	extractBlackContours(ink, *display);
}

void Application::startNewMap()
{
	std::printf("new map detected!\n");
	std::fflush(stdout);
	trace.report(Event("newMap"));
	scene.resetMap();
}

void Application::buildWalls()
{
	const int count = analysis.buildWalls(ink.blackContours);
	trace.report(Event("walls").set("count", double(count)));
}
