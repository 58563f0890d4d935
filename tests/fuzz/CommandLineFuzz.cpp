#include "app/CommandLine.h"

#include <cstddef>
#include <cstdint>

/// The input is the argument list, arguments separated by NUL bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::vector<std::string> arguments(1);
	for (size_t i = 0; i < size; ++i)
	{
		if (data[i] == 0)
		{
			arguments.emplace_back();
		}
		else
		{
			arguments.back().push_back(char(data[i]));
		}
	}
	parseCommandLine(arguments);
	return 0;
}
