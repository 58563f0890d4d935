#pragma once

#include "ScratchFiles.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

/// What a command run through the shell left: its exit status (-1 when it
/// did not exit) and what it wrote on standard output and standard error.
struct ToolRun
{
	int status = -1;
	std::string out;
	std::string err;
};

inline std::string fileText(const std::string& path)
{
	std::stringstream text;
	text << std::ifstream(path).rdbuf();
	return text.str();
}

/// Run `command` as a shell would, with its output kept.
inline ToolRun runTool(const std::string& command)
{
	const std::string out = scratchFolder() + "tool.out";
	const std::string err = scratchFolder() + "tool.err";
	const int status = std::system((command + " >" + out + " 2>" + err).c_str());
	ToolRun run;
	run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
	run.out = fileText(out);
	run.err = fileText(err);
	return run;
}
