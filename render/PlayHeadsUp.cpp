#include "render/PlayHeadsUp.h"

#include "render/Celebration.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

constexpr double lineScale = 0.7;
constexpr double bigScale = 1.6;
/// Height of the top and bottom bands, and the margin of their words.
constexpr int bandHeight = 36;
constexpr int margin = 12;
/// What is left of the picture under a band.
constexpr double underBand = 0.35;
const cv::Scalar white(255, 255, 255);
const cv::Scalar gold(60, 215, 255);
const cv::Scalar calm(235, 215, 190);
const cv::Scalar confetti[confettiColours] = {{60, 60, 240}, {60, 215, 255}, {90, 200, 60}, {230, 140, 40}};

/// Darken a band of the window so that words over it stand out.
void darken(cv::Mat& window, cv::Rect band)
{
	band &= cv::Rect(cv::Point(), window.size());
	if (!band.empty())
	{
		cv::Mat under = window(band);
		under.convertTo(under, -1, underBand);
	}
}

/// `text` on the line whose baseline is `y`: left of `x` when `x` is
/// negative (measured from the right edge), centred when `centred`; bold
/// strokes when `bold`.
void put(WordStamps& words, cv::Mat& window, const std::string& text, int x, int y, const cv::Scalar& colour,
	double scale = lineScale, bool centred = false, bool bold = false)
{
	const int width = WordStamps::size(text, scale).width;
	const int left = centred ? (window.cols - width) / 2 : x < 0 ? window.cols + x - width : x;
	words.stamp(window, text, cv::Point(left, y), scale, bold, colour);
}

/// A large word across the window on a dark band whose baseline is `y`, and
/// a smaller line under it on the same band when `under` is not empty.
void headline(WordStamps& words, cv::Mat& window, const std::string& text, const cv::Scalar& colour, int y,
	const std::string& under = "")
{
	const cv::Size size = WordStamps::size(text, bigScale);
	const int underHeight = under.empty() ? 0 : WordStamps::size(under, lineScale).height + margin;
	darken(window, cv::Rect(0, y - size.height - margin, window.cols, size.height + underHeight + 2 * margin));
	put(words, window, text, 0, y, colour, bigScale, true, true);
	if (!under.empty())
	{
		put(words, window, under, 0, y + underHeight, white, lineScale, true);
	}
}

/// The status line at the bottom, made smaller until it fits the width.
void statusLine(WordStamps& words, cv::Mat& window, const std::string& text)
{
	double scale = lineScale;
	while (scale > 0.35 && WordStamps::size(text, scale).width > window.cols - 2 * margin)
	{
		scale *= 0.9;
	}
	darken(window, cv::Rect(0, window.rows - bandHeight, window.cols, bandHeight));
	put(words, window, text, 0, window.rows - bandHeight / 2 + WordStamps::size(text, scale).height / 2, white,
		scale, true);
}

}  // namespace

std::string clockText(double seconds)
{
	const long whole = std::isfinite(seconds) ? std::max(0L, long(std::floor(seconds))) : 0L;
	char text[32];
	if (whole < 60)
	{
		std::snprintf(text, sizeof text, "%ld s", whole);
	}
	else
	{
		std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
	}
	return text;
}

std::string tenthsText(double seconds)
{
	char text[32];
	std::snprintf(text, sizeof text, "%.1f s", std::isfinite(seconds) ? seconds : 0.0);
	return text;
}

void drawHeadsUp(WordStamps& words, cv::Mat& window, const PlayStatus& status, bool boardInView)
{
	darken(window, cv::Rect(0, 0, window.cols, bandHeight));
	const int baseline = bandHeight / 2 + WordStamps::size("0", lineScale).height / 2;
	const std::string score = "Score " + std::to_string(status.score);
	put(words, window, score, margin, baseline, gold);
	// Each field at its place across the band, or after the one before it
	// in a narrow window.
	const int litX = std::max(window.cols * 22 / 100, margin + WordStamps::size(score, lineScale).width + 2 * margin);
	const std::string lit =
		"Sensors " + std::to_string(status.sensorsLit) + " of " + std::to_string(status.sensorCount);
	put(words, window, lit, litX, baseline, white);
	const int timeX = std::max(window.cols * 47 / 100, litX + WordStamps::size(lit, lineScale).width + 2 * margin);
	const std::string time =
		status.solved ? "Solved in " + tenthsText(status.solvedAfter) : "Time " + clockText(status.seconds);
	put(words, window, time, timeX, baseline, status.solved ? gold : white);
	std::string tags;
	if (!std::isnan(status.bestTime))
	{
		tags += "Best " + tenthsText(status.bestTime);
	}
	for (const auto& [on, word] : {std::pair{status.slowMotion, "slow motion"}, std::pair{status.muted, "muted"}})
	{
		tags += on ? std::string(tags.empty() ? "" : "  ") + word : "";
	}
	// In a narrow window the tags get smaller rather than run into the time.
	const int room = window.cols - margin - (timeX + WordStamps::size(time, lineScale).width + 2 * margin);
	double tagScale = lineScale;
	while (tagScale > 0.35 && WordStamps::size(tags, tagScale).width > room)
	{
		tagScale *= 0.9;
	}
	put(words, window, tags, -margin, baseline, calm, tagScale);
	if (!status.statusLine.empty())
	{
		statusLine(words, window, status.statusLine);
	}
	if (!boardInView)
	{
		headline(words, window, "Where is the board?", white, window.rows / 2);
	}
	if (status.paused)
	{
		// Below the celebration's words, and below the word for a board not in view.
		headline(words, window, "Paused", white, boardInView ? window.rows * 3 / 5 : window.rows * 3 / 4);
	}
}

void drawCelebration(WordStamps& words, cv::Mat& window, const PlayStatus& status)
{
	if (!status.solved)
	{
		return;
	}
	const std::vector<ConfettiPiece> shower = confettiAt(status.seconds - status.solvedAfter);
	if (shower.empty())
	{
		return;
	}
	const cv::Rect2d whole(0.0, 0.0, window.cols, window.rows);
	for (const ConfettiPiece& piece : shower)
	{
		std::vector<cv::Point> corners;
		for (const cv::Point2d& p : confettiCorners(piece, whole))
		{
			corners.emplace_back(int(std::lround(std::clamp(p.x, -1e5, 1e5))), int(std::lround(std::clamp(p.y, -1e5, 1e5))));
		}
		cv::fillConvexPoly(window, corners, confetti[piece.colour], cv::LINE_AA);
	}
	std::string best;
	if (!std::isnan(status.bestTime))
	{
		best = status.solvedAfter <= status.bestTime ? "Your best time!" : "Best " + tenthsText(status.bestTime);
	}
	headline(words, window, "Solved in " + tenthsText(status.solvedAfter) + "!", gold, window.rows * 2 / 5, best);
}
