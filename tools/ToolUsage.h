#pragma once

#include "core/Version.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

/// The name a tool was started by, without its folder: "print_board" in the
/// build tree, "drawtable-print-board" installed.
inline const char* toolName(const char* argv0)
{
	const char* slash = std::strrchr(argv0, '/');
	return slash != nullptr ? slash + 1 : argv0;
}

/// Every tool answers --help with its usage and --version with the program's
/// version, given anywhere among its arguments, on standard output with
/// status 0, as drawtable does. True when it was asked and answered.
inline bool answeredHelpOrVersion(int argc, char** argv, const char* usage)
{
	for (int i = 1; i < argc; ++i)
	{
		if (std::strcmp(argv[i], "--help") == 0)
		{
			std::fputs(usage, stdout);
			return true;
		}
		if (std::strcmp(argv[i], "--version") == 0)
		{
			std::printf("%s (drawtable) %s\n", toolName(argv[0]), DRAWTABLE_VERSION);
			return true;
		}
	}
	return false;
}

/// The first argument that looks like an option (a '-' and not a number) and
/// is none of `options`; null when there is none. A tool refuses it rather
/// than take it for a file name.
inline const char* unknownOption(int argc, char** argv, std::initializer_list<const char*> options = {})
{
	for (int i = 1; i < argc; ++i)
	{
		if (argv[i][0] != '-' || (argv[i][1] >= '0' && argv[i][1] <= '9'))
		{
			continue;
		}
		bool known = false;
		for (const char* option : options)
		{
			known = known || std::strcmp(argv[i], option) == 0;
		}
		if (!known)
		{
			return argv[i];
		}
	}
	return nullptr;
}

/// Refuse an option in one line on standard error; the status to end with.
inline int refuseOption(const char* argv0, const char* option)
{
	std::fprintf(stderr, "%s: unknown option \"%s\" (%s --help lists them)\n", toolName(argv0), option, toolName(argv0));
	return 2;
}
