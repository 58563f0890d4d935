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
///
/// The players may pause the world (no step until it plays again, and the
/// clock's time meanwhile is not owed) or slow it to half speed: every step
/// is still 1/60 s, so the world moves exactly as at full speed, only it
/// takes a step every other pass (with the clock, one for every 1/30 s).
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

	bool followsClock() const { return static_cast<bool>(m_now); }

	/// Stop the world, or let it go on; the pass's steps are 0 while paused.
	void setPaused(bool paused) { m_paused = paused; }
	/// The world stands still.
	bool paused() const { return m_paused; }

	/// Half speed on or off.
	void setHalfSpeed(bool half) { m_halfSpeed = half; }
	/// The world moves half as far a pass, or in the clock's second.
	bool halfSpeed() const { return m_halfSpeed; }

	/// The time on the clock from the first pass to the last one, pauses and
	/// slow motion included, and the part of it that stalls dropped; 0
	/// without the clock.
	double clockSeconds() const { return std::chrono::duration<double>(m_last - m_first).count(); }
	double droppedSeconds() const { return std::chrono::duration<double>(m_dropped).count(); }

	/// Steps taken so far.
	long steps() const { return m_taken; }
	/// The world's time: the seconds it has been stepped.
	double worldSeconds() const;

private:
	int oneAPass();
	int followClock();

	std::function<Clock::time_point()> m_now;
	Clock::time_point m_first;
	Clock::time_point m_last;
	/// Clock time not yet stepped: less than a step, but for a late pass.
	Clock::duration m_owed{};
	Clock::duration m_dropped{};
	/// Without the clock, at half speed: a half step is owed from the last pass.
	bool m_halfOwed = false;
	long m_taken = 0;
	bool m_started = false;
	bool m_paused = false;
	bool m_halfSpeed = false;
};
