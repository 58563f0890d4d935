#pragma once

#include "analysis/OwnInks.h"

#include <opencv2/core.hpp>

#include <string>

/// Learn the user's own black and yellow from a board on which a sample of
/// both is drawn (a ring or a few strokes of each), its colours read with the
/// paper as the reference white (normaliseBoardColours). The ink is what
/// differs from the paper in lines up to 8 pixels wide (printed markers, the
/// portal card and a hand are wider, and left out); the middle of each line
/// is read, where the camera's blur has not mixed it with the paper. The
/// darker of the two inks is black, the brighter yellow, split where their
/// brightness divides them best; each ink's class is the box round the most
/// of its places, with room for another light. False, with a one-line
/// `error`, when the sample lacks an ink or an ink cannot be told from paper.
bool learnOwnInks(const cv::Mat& colours, OwnInks& inks, std::string& error);
