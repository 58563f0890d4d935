#include "app/Application.h"
#include "app/ScanEvent.h"

void Application::rescan()
{
	const bool found = scanner.scanBoard();
	trace.add(scanEvent(scanner, found));
	if (!found)
	{
		// Retried after the next 15 still passes.
		stillCount = 0;
		return;
	}
}
