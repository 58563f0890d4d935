#pragma once

#include "sound/Synthesisers.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

/// Whose time the sounds keep.
enum class SoundClock
{
	/// The device's: a sound starts with the next buffer the device takes.
	/// For a game that runs in real time (windows, a live camera).
	Device,
	/// The world's: a sound starts where the world's time was when its pass
	/// began, however fast the passes run (headless, one step a pass). The
	/// device plays no further than the world has gone, waiting for the next
	/// pass when it is ahead; one slower than the world (a loudspeaker while
	/// the passes race) plays every sound in its place, only late.
	World
};

/// Plays overlapping sounds into one stream of samples. The game side starts
/// sounds and moves the world's time on; the device side, on the device's own
/// thread, takes the mixed samples. Everything between them goes under one lock.
class SoundMixer
{
public:
	explicit SoundMixer(SoundClock clock) : m_clock(clock) {}

	/// Start `sound`, scaled by `gain`, at the present moment of the mixer's clock.
	void play(std::shared_ptr<const Samples> sound, float gain);

	/// The world's time moved on by `samples` (a pass): the device may play
	/// that much further. Nothing changes in the device's time.
	void advance(long samples);

	/// Stop every sound at the present moment of the mixer's clock: what
	/// the device plays from there on is silence until a sound starts.
	void silence();

	/// The device's side: the next `count` samples, every sound that plays
	/// added up and held to -1 to 1. In the world's time it waits for the
	/// world to go on, unless released.
	void fill(float* samples, int count);

	/// From now on `fill` never waits: the device is about to close.
	void release();

	/// In the world's time: wait until the device has taken every sample up to
	/// the world's present, as long as it plays faster than real time (a
	/// file); a loudspeaker would take as long as the world is ahead, and is
	/// not waited for beyond `drainSliceMs`. False when it had not caught up.
	bool drain();

	/// Samples the device has taken since the mixer was made.
	long played() const;

	/// Sounds that have not ended yet.
	int voices() const;

	/// How long a drain watches the device before it judges its pace.
	static constexpr long drainSliceMs = 200;

	/// The most sounds at once; a new one beyond them replaces the oldest.
	static constexpr std::size_t mostVoices = 16;

private:
	struct Voice
	{
		std::shared_ptr<const Samples> sound;
		float gain;
		/// The sample of the stream where the sound begins.
		long start;
		/// The sample where it is cut short, or its natural end.
		long end;
	};

	/// The present moment of the mixer's clock, as a sample of the stream.
	long present() const { return m_clock == SoundClock::World ? m_world : m_played; }

	/// Mix `count` samples from `m_played` on into `samples` and move on.
	void mixNext(float* samples, long count);

	const SoundClock m_clock;
	mutable std::mutex m_lock;
	/// Signalled when the world goes on, the device takes samples or is released.
	std::condition_variable m_moved;
	std::vector<Voice> m_voices;
	/// The world's time in samples: how far the device may play.
	long m_world = 0;
	/// The next sample the device takes.
	long m_played = 0;
	bool m_released = false;
};
