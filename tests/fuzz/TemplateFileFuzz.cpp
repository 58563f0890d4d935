#include "analysis/TemplateFile.h"
#include "tests/fuzz/FuzzInputFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	loadTemplatePoints(fuzzInputFile(data, size));
	return 0;
}
