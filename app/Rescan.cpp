#include "app/Application.h"

#include "analysis/BoardColours.h"
#include "analysis/HandDetection.h"

#include <cstdio>

void Application::rescan()
{
	if (!scanner.scanBoard())
	{
		// Retried after the next 15 still passes.
		stillCount = 0;
		return;
	}
	analyseScannedBoard();
}

void Application::analyseScannedBoard()
{
	// The ink and skin ranges hold for paper that reads neutral and bright.
	normaliseBoardColours(scanner);
	if (handOverBoard())
	{
		// A hand may be drawing or moving things: wait for a new still period.
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

bool Application::handOverBoard()
{
	if (!handInView(scanner.warpedColor))
	{
		return false;
	}
	trace.report(Event("hand"));
	return true;
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
