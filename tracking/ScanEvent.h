#pragma once

#include "core/Event.h"

struct RectifiedBoard;

/// The trace event of a board scan: whether it found the board and, when it
/// did, the homography of `board` (nine numbers row by row), whether the
/// portal was seen, and the portal and drawing-area corners in board pixels.
Event scanEvent(const RectifiedBoard& board, bool found);
