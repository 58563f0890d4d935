#pragma once

#include "core/FixedValues.h"

/// When the projector goes black for a still period's scan, and from which
/// pass the camera's frames show it black. The still count's dark-frame gate
/// (Stillness) asks these.

/// Passes beyond the latency that the projector stays black before a rescan's
/// frame is taken, for a camera that is late now and then.
constexpr int darkPassesBeyondLatency = 1;

/// How many passes before the rescan threshold the projector goes black, so
/// that the first frame the camera sees it black in comes at the threshold.
constexpr int darkFrameLead(int latency)
{
	return seenFromPass(0, latency) + darkPassesBeyondLatency;
}

/// The first pass whose frame shows the projector black, when its last
/// picture with light was shown in `lastLitPass`.
constexpr int firstDarkFramePass(int lastLitPass, int latency)
{
	return seenFromPass(lastLitPass + 1, latency) + darkPassesBeyondLatency;
}
