#pragma once

#include "core/Event.h"

class BoardScanner;

/// The trace event of a board scan: whether it found the board and, when it
/// did, the homography (nine numbers row by row), whether the portal was seen,
/// and the portal and drawing-area corners in board pixels.
Event scanEvent(const BoardScanner& scanner, bool found);
