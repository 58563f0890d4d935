#pragma once

#include "render/PlayScene.h"
#include "render/WordStamps.h"

#include <opencv2/core.hpp>

#include <string>

/// The words over the play view, for the players: the heads-up line at the
/// top (score, sensors lit "2 of 3", the time of this play, the best time,
/// slow motion and muted), the status line at the bottom, "Paused" across the
/// middle, and a word while the board is not in view; the lines stamped from
/// `words`, which keeps them drawn.
void drawHeadsUp(WordStamps& words, cv::Mat& window, const PlayStatus& status, bool boardInView);

/// The celebration of a solved drawing over the window, for its two seconds:
/// confetti and "Solved in 12.4 s" with the best time.
void drawCelebration(WordStamps& words, cv::Mat& window, const PlayStatus& status);

/// A play's time on the clock: "12 s", "1:05".
std::string clockText(double seconds);

/// A time to a tenth: "12.4 s".
std::string tenthsText(double seconds);
