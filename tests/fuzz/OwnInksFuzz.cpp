#include "analysis/OwnInks.h"
#include "tests/fuzz/FuzzInputFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	OwnInks inks;
	std::string error;
	readOwnInks(fuzzInputFile(data, size), inks, error);
	return 0;
}
