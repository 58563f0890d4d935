#include "tests/fuzz/FuzzInputFile.h"
#include "markers/MarkerTracker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	// Through the tracker, so that the markers' codes are learnt as well.
	MarkerTracker tracker(nullptr);
	tracker.arMultiReadConfigFile(fuzzInputFile(data, size).c_str());
	return 0;
}
