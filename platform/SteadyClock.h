#pragma once

#include <chrono>

/// Seconds on the machine's steady clock, from some fixed moment: for
/// measuring how long something lasted, never for the date.
inline double steadySeconds()
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
