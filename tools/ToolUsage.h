#pragma once

#include <cstdio>
#include <cstring>

/// Every tool answers --help, given anywhere among its arguments, with its
/// usage on standard output and status 0, as drawtable does. True when it
/// was asked and the usage printed.
inline bool printedHelp(int argc, char** argv, const char* usage)
{
	for (int i = 1; i < argc; ++i)
	{
		if (std::strcmp(argv[i], "--help") == 0)
		{
			std::fputs(usage, stdout);
			return true;
		}
	}
	return false;
}
