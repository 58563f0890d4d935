#pragma once

#include <chrono>
#include <functional>

/// How far the world moves in a pass. Without a live camera: one step of
/// 1/60 s a pass, so that a file, a scene or the demo plays the same every
/// time. With one: as far as the clock has gone since the last pass, in whole
/// steps of 1/60 s (the rest carried to the next pass), so that balls fall as
/// fast whether the camera gives 15, 30 or 60 frames a second; at most
/// `maxStepsPerPass` a pass, and a stall's time beyond that is dropped rather
/// than raced through afterwards.
class WorldPace
{
public:
	using Clock = std::chrono::steady_clock;

	static constexpr int maxStepsPerPass = 6;

	/// One step a pass.
	WorldPace() = default;

	/// Steps as the time `now` tells passes.
	static WorldPace followingClock(std::function<Clock::time_point()> now = Clock::now);

	/// The steps of the pass that starts now. With the clock the first pass
	/// takes none: it starts the clock.
	int stepsForPass();

	bool followsClock() const { return static_cast<bool>(now); }

	/// The time on the clock from the first pass to the last one, and the part
	/// of it that stalls dropped; 0 without the clock.
	double clockSeconds() const { return std::chrono::duration<double>(last - first).count(); }
	double droppedSeconds() const { return std::chrono::duration<double>(dropped).count(); }

	/// Steps taken so far.
	long steps() const { return taken; }

private:
	std::function<Clock::time_point()> now;
	Clock::time_point first;
	Clock::time_point last;
	/// Clock time not yet stepped: less than a step, but for a late pass.
	Clock::duration owed{};
	Clock::duration dropped{};
	long taken = 0;
	bool started = false;
};
