#include "tests/fuzz/FuzzInputFile.h"
#include "markers/MarkerTracker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	MarkerTracker tracker(nullptr);
	if (tracker.arVideoOpen(fuzzInputFile(data, size).c_str()) == 0)
	{
		int x = 0, y = 0;
		tracker.arVideoInqSize(&x, &y);
		tracker.arVideoClose();
	}
	return 0;
}
