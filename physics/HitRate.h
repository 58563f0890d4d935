#pragma once

#include <deque>

/// How often a ball's hit on a wall is reported: never two within 60 ms and at
/// most four in any second of the world's time, so that a ball bouncing
/// through a maze is a few knocks a second, not a rattle, and the trace stays small.
class HitRate
{
public:
	/// Whether a hit at `now` (seconds of the world's time, never going back)
	/// may be reported; when it may, it counts from then on.
	bool allow(double now);

	static constexpr double shortestGap = 0.060;
	static constexpr int mostPerSecond = 4;

private:
	/// The times of the last reported hits, at most `mostPerSecond`, oldest first.
	std::deque<double> m_recent;
};
