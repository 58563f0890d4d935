#pragma once

#include "analysis/ColourRanges.h"

#include <string>

/// The user's own black and yellow, learned from a sample drawn on the board
/// (`drawtable-make-templates --inks`, analysis/InkLearning.h) and kept in the
/// data directory as a small text file. The segmentation takes each in place
/// of its built-in classes (analysis/ColourRanges.h: black; yellow and the
/// highlighters), the learned yellow even where red would keep it out;
/// without the file none is learned and the built-in classes are used.
struct OwnInks
{
	bool hasBlack = false;
	bool hasYellow = false;
	ColourRange black{};
	ColourRange yellow{};
};

/// A learned ink keeps at least this far from grey (Cr and Cb units) in the
/// colour it is farthest from grey in, and a learned black no brighter than
/// this luminance: paper read as the reference white, with its noise, stays
/// outside both.
constexpr int ownYellowFromGrey = 6;
constexpr int ownBlackBrightest = 180;

/// Why a range cannot be the learned `ink` ("black" or "yellow"): it would
/// take paper, or is no range at all. Empty when it can.
std::string whyUnusable(const std::string& ink, const ColourRange& range);

/// Read the file `path`. A missing file is no ink learned, and true. A file
/// that cannot be used, or names no ink, is false, with a one-line `error`
/// naming the file (and the line at fault), and no ink learned.
bool readOwnInks(const std::string& path, OwnInks& inks, std::string& error);

/// The file's text for `inks`, as readOwnInks reads it.
std::string ownInksText(const OwnInks& inks);
