#include "app/Application.h"

#include "analysis/BoardColours.h"
#include "analysis/HandWatch.h"
#include "app/TableStatus.h"
#include "tracking/ScanEvent.h"

#include <cmath>
#include <cstdio>
#include <ctime>

void Application::rescan()
{
	const bool found = m_scanner.scanBoard(m_board);
	noteScan(m_status, m_scanner.lastScan());
	Event scan = scanEvent(m_board, found);
	if (found)
	{
		analyseScannedBoard(m_board, &scan);
	}
	else
	{
		// A failed detection has said so itself, and ends the run.
		const std::string why = "not scanned: " + m_scanner.lastScan().reason();
		m_scanner.detectionFailed() ? (void)scan.set("reason", why) : holdBack(&scan, why);
		scan.set("markersSeen", double(m_scanner.lastScan().markersSeen));
		m_trace.report(scan);
	}
	// After the scan's own line: a new calibration may be why it failed.
	m_calibrationHint.afterScan(m_scanner.lastScan(), std::time(nullptr));
	m_status.set(StatusReason::NewCalibration, m_calibrationHint.line());
}

void Application::analyseScannedBoard(const RectifiedBoard& scanned, Event* scan)
{
	// A board given without a camera becomes the program's, as a scan's does.
	if (&scanned != &m_board)
	{
		m_board = scanned;
	}
	// The ink and skin ranges hold for paper that reads neutral and bright.
	ScanColours colours = m_readColoursAsNeutral ? scanColours(scanned) : camerasColours(scanned);
	const HandSighting hand = m_hands.look(colours.handTest, scanned);
	m_ink.colours = colours.ink.get();
	if (hand.settled)
	{
		const std::string why = "what looked like a hand has lain still through "
			+ std::to_string(HandWatch::settledSightings) + " scans: it is read as drawing";
		std::fprintf(stderr, "%s\n", why.c_str());
		m_trace.report(Event("settledRegion").set("reason", why).set("share", hand.share));
	}
	noteHand(m_status, hand.seen);
	if (hand.seen)
	{
		holdBack(scan, "scan held back: a hand over " + std::to_string(int(std::lround(hand.share * 100.0))) + " % of the board");
	}
	if (scan != nullptr)
	{
		m_trace.report(*scan);
	}
	if (hand.seen)
	{
		// A hand may be drawing or moving things: wait for a new still period.
		m_trace.report(Event("hand").set("share", hand.share));
		return;
	}
	const DrawingFound found = m_analysis.analyse(scanned, m_ink, *m_display);
	if (found.newMap)
	{
		std::printf("new map detected!\n");
		std::fflush(stdout);
	}
	m_score.drawingBuilt(m_scene, found.newMap, m_pace.worldSeconds());
	tellRefusedRings(found.refused);
	// The still count stays at the threshold, so this still period has no second rescan.
}

void Application::tellRefusedRings(const std::vector<RefusedRing>& refused)
{
	for (const RefusedRing& ring : refused)
	{
		if (ring.firstSeen)
		{
			std::fprintf(stderr, "%s\n", refusedRingWords(ring).c_str());
		}
	}
	m_status.set(StatusReason::CircleSize, refused.empty() ? std::string() : refusedRingWords(refused.front()));
}

void Application::holdBack(Event* scan, const std::string& why)
{
	if (scan != nullptr)
	{
		scan->set("reason", why);
	}
	if (m_stillness.holdBack(m_scanner))
	{
		std::fprintf(stderr, "%s\n", why.c_str());
	}
}

