#include "platform/StopSignals.h"

#include <atomic>
#include <csignal>

#include <unistd.h>

namespace
{

/// Written by the handler, on whichever thread the signal lands, and read by
/// the main loop once a pass. Lock-free, so the handler may touch it.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may use only lock-free atomics");

/// Only async-signal-safe work here: note the signal, or leave at once.
extern "C" void onStopSignal(int signal)
{
	int none = 0;
	if (received.compare_exchange_strong(none, signal))
	{
		return;
	}
	if (signal == SIGINT)
	{
		// The user asks again: what is still queued is given up.
		::_exit(stopStatus(SIGINT));
	}
}

}  // namespace

void catchStopSignals()
{
	struct sigaction action = {};
	action.sa_handler = onStopSignal;
	sigemptyset(&action.sa_mask);
	// Interrupted reads and writes carry on, on every thread: a signal must
	// not cost a file being written.
	action.sa_flags = SA_RESTART;
	for (const int signal : {SIGINT, SIGTERM, SIGHUP})
	{
		sigaddset(&action.sa_mask, signal);
	}
	for (const int signal : {SIGINT, SIGTERM, SIGHUP})
	{
		// Whoever started the program with a signal ignored (nohup, a shell
		// that runs it in the background) meant it not to stop on that signal.
		struct sigaction before = {};
		sigaction(signal, nullptr, &before);
		if (before.sa_handler != SIG_IGN)
		{
			sigaction(signal, &action, nullptr);
		}
	}
}

int stopSignal()
{
	return received;
}

std::string signalName(int signal)
{
	switch (signal)
	{
	case SIGINT:
		return "SIGINT";
	case SIGTERM:
		return "SIGTERM";
	case SIGHUP:
		return "SIGHUP";
	default:
		return "signal " + std::to_string(signal);
	}
}
