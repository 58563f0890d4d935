#pragma once

#include <string>

/// Ctrl-C, a closed terminal and a service manager stop a program with SIGINT,
/// SIGHUP and SIGTERM. Once these are caught, such a signal only asks the run
/// to end: the main loop sees it after the pass in progress and ends as it
/// does on ESC, with everything recorded written. A second SIGINT while that
/// goes on ends the process at once, with status 130. A signal ignored when
/// the program started (nohup, a background job of a shell script) stays
/// ignored.
void catchStopSignals();

/// The stop signal received first, or 0 while none came.
int stopSignal();

/// "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
std::string signalName(int signal);

/// The exit status for a run ended by `signal`: 128 and its number, as shells
/// report a program that the signal ended.
inline int stopStatus(int signal)
{
	return 128 + signal;
}
