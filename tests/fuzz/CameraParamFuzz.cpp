#include "tests/fuzz/FuzzInputFile.h"
#include "markers/ARParam.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	ARParam param;
	if (arParamLoad(fuzzInputFile(data, size).c_str(), 1, &param) != 0)
	{
		return 0;
	}
	// What the program does with the parameters it loaded.
	ARParam resized;
	if (arParamChangeSize(&param, 640, 480, &resized) == 0)
	{
		double x = 0.0, y = 0.0;
		arParamObserv2Ideal(resized.dist_factor, 100.0, 200.0, &x, &y);
		arParamIdeal2Observ(resized.dist_factor, x, y, &x, &y);
	}
	return 0;
}
