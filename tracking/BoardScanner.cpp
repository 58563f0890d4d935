#include "tracking/BoardScanner.h"

BoardScanner::BoardScanner(std::unique_ptr<FrameSource> capture, Display& display)
	: capture(std::move(capture)), display(display)
{
}

BoardScanner::~BoardScanner() = default;

bool BoardScanner::initCamera()
{
	// The marker tracker comes with board tracking; until then there is
	// nothing to start.
	return true;
}

bool BoardScanner::scanBoard()
{
	if (scanPaused)
	{
		return false;
	}
	// No board can be found before the marker tracker exists.
	return false;
}
