#pragma once

#include "core/StatusLine.h"
#include "tracking/ScanOutcome.h"
#include "tracking/UnsettledPicture.h"

// The status line's reasons as the program learns them, each in a player's
// words; the console says the same for whoever set the table up.

/// A board scan's outcome: why it failed replaces why the last one failed,
/// and a scan that found the board clears them all. A paused scan changes
/// nothing: the key p set that reason itself.
void noteScan(StatusLine& status, const ScanOutcome& scan);

/// The last scan that found the board saw a hand over it, or none.
void noteHand(StatusLine& status, bool seen);

/// The picture has not settled for so long that it is said, and why; or it
/// has settled (`unsettled` false).
void noteUnsettled(StatusLine& status, bool unsettled, UnsettledPicture::Cause cause);

/// The keys: scanning paused (p), the world paused (space), half speed (s).
void noteScanningPaused(StatusLine& status, bool paused);
void notePaused(StatusLine& status, bool paused);
void noteHalfSpeed(StatusLine& status, bool half);

/// Recording has stopped by itself (the disk's floor, or a full disk).
void noteRecordingStopped(StatusLine& status, bool stopped);

/// The last scan did not find the board where it was: the play view then
/// shows the camera's picture rather than the board.
bool boardOutOfSight(const StatusLine& status);
