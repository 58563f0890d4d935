#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// Seconds the celebration of a solved drawing lasts.
constexpr double celebrationSeconds = 2.0;

/// A piece of confetti at one moment of the celebration, placed in a unit
/// square (x right, y down, 0 to 1 across whatever it is shown over).
struct ConfettiPiece
{
	cv::Point2d at;
	/// How far it has spun, radians.
	double angle;
	/// Half its length, as a share of the square's width.
	double size;
	/// Which of the shower's colours it has (0 to confettiColours - 1).
	int colour;
};

constexpr int confettiColours = 4;

/// The confetti `age` seconds into the celebration: a shower thrown up from
/// the bottom middle that falls back, the same at the same age every time.
/// Empty before the celebration and after it.
std::vector<ConfettiPiece> confettiAt(double age);

/// The corners of a piece, in `area`'s coordinates: a small spinning strip.
std::vector<cv::Point2d> confettiCorners(const ConfettiPiece& piece, const cv::Rect2d& area);
