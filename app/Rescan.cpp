#include "app/Application.h"

void Application::rescan()
{
	const bool found = scanner.scanBoard();
	trace.add(TraceEvent("scan").set("ok", found));
	if (!found)
	{
		// Retried after the next 15 still passes.
		stillCount = 0;
		return;
	}
}
