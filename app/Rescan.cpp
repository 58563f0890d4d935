#include "app/Application.h"

#include "analysis/BoardColours.h"
#include "analysis/HandDetection.h"
#include "tracking/ScanEvent.h"

#include <cmath>
#include <cstdio>

void Application::rescan()
{
	const bool found = scanner.scanBoard();
	Event scan = scanEvent(scanner, found);
	if (!found)
	{
		// A failed detection has said so itself, and ends the run.
		const std::string why = "not scanned: " + scanner.lastScan.reason();
		scanner.detectionFailed ? (void)scan.set("reason", why) : holdBack(scan, why);
		scan.set("markersSeen", double(scanner.lastScan.markersSeen));
		trace.report(scan);
		return;
	}
	analyseScannedBoard(&scan);
}

void Application::analyseScannedBoard(Event* scan)
{
	// The ink and skin ranges hold for paper that reads neutral and bright.
	if (readColoursAsNeutral)
	{
		normaliseBoardColours(scanner);
	}
	const double skin = skinShare(scanner.warpedColor);
	const bool hand = handInView(scanner.warpedColor);
	if (hand && scan != nullptr)
	{
		holdBack(*scan, "scan held back: a hand over " + std::to_string(int(std::lround(skin * 100.0))) + " % of the board");
	}
	if (scan != nullptr)
	{
		trace.report(*scan);
	}
	if (hand)
	{
		// A hand may be drawing or moving things: wait for a new still period.
		trace.report(Event("hand").set("share", skin));
		stillCount = 0;
		return;
	}
	analyseDrawing();
	if (!analysis.isSameMap())
	{
		startNewMap();
	}
	// Again from the ink: a new map has marked the first pass's portal, and
	// the balls and walls are taken from a fresh contour search.
	analyseDrawing();
	analysis.detectBalls();
	// Walls are rebuilt at every rescan; the old ones go at the next flush.
	scene.markKind(Wall);
	analysis.wallRecords.clear();
	buildWalls();
	scanner.extractColourContours();
	analysis.detectSensorCircles();
	// stillCount stays at the threshold, so this still period has no second rescan.
}

void Application::holdBack(Event& scan, const std::string& why)
{
	scan.set("reason", why);
	// Retried after the next 15 still passes; said once until the camera
	// sees motion again, not at every retry.
	stillCount = 0;
	if (!whySaid)
	{
		std::fprintf(stderr, "%s\n", why.c_str());
		whySaid = true;
	}
}

void Application::analyseDrawing()
{
	scanner.segmentColours();
	analysis.applyMarkerRegions();
	scanner.extractBlackContours();
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
	const int count = analysis.buildWalls();
	trace.report(Event("walls").set("count", double(count)));
}
