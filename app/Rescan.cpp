#include "app/Application.h"

#include "analysis/BoardColours.h"
#include "analysis/HandWatch.h"
#include "tracking/ScanEvent.h"

#include <cmath>
#include <cstdio>

void Application::rescan()
{
	const bool found = m_scanner.scanBoard(m_board);
	Event scan = scanEvent(m_board, found);
	if (!found)
	{
		// A failed detection has said so itself, and ends the run.
		const std::string why = "not scanned: " + m_scanner.lastScan().reason();
		m_scanner.detectionFailed() ? (void)scan.set("reason", why) : holdBack(&scan, why);
		scan.set("markersSeen", double(m_scanner.lastScan().markersSeen));
		m_trace.report(scan);
		return;
	}
	analyseScannedBoard(m_board, &scan);
}

void Application::analyseScannedBoard(const RectifiedBoard& scanned, Event* scan)
{
	// A board given without a camera becomes the program's, as a scan's does.
	if (&scanned != &m_board)
	{
		m_board = scanned;
	}
	// The ink and skin ranges hold for paper that reads neutral and bright.
	PaperWhite white;
	m_ink.colours = m_readColoursAsNeutral ? normaliseBoardColours(scanned, &white) : scanned.colour;
	const HandSighting hand = m_hands.look(m_readColoursAsNeutral ? handTestColours(scanned, &white) : scanned.colour, scanned);
	if (hand.settled)
	{
		const std::string why = "what looked like a hand has lain still through "
			+ std::to_string(HandWatch::settledSightings) + " scans: it is read as drawing";
		std::fprintf(stderr, "%s\n", why.c_str());
		m_trace.report(Event("settledRegion").set("reason", why).set("share", hand.share));
	}
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
	if (m_analysis.analyse(scanned, m_ink, *m_display).newMap)
	{
		std::printf("new map detected!\n");
		std::fflush(stdout);
	}
	// The still count stays at the threshold, so this still period has no second rescan.
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

