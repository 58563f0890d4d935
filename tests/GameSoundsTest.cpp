#include "ScratchFiles.h"
#include "SoundMeasures.h"
#include "sound/GameSounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace
{

constexpr long pass = soundRate / 60;

/// SDL's disk driver writing, with no pause between its buffers, into the
/// scratch file `name`.
AudioRequest diskDriverInto(const std::string& name)
{
	::setenv("SDL_DISKAUDIODELAY", "0", 1);
	AudioRequest disk;
	disk.driver = "disk";
	disk.device = scratchPath(name);
	return disk;
}

TEST(GameSounds, SensorsChimeAPentatonicTuneFromLeftToRight)
{
	// The board spans world x from -10 to 54: ten bands of 6.4 m.
	const double expected[] = {523.25, 587.33, 659.26, 783.99, 880.00, 1046.50, 1174.66, 1318.51, 1567.98, 1760.00};
	for (int band = 0; band < 10; ++band)
	{
		EXPECT_EQ(chimePitch(-10.0 + 6.4 * band + 0.1), expected[band]) << band;
		EXPECT_EQ(chimePitch(-10.0 + 6.4 * band + 6.3), expected[band]) << band;
	}
	// Beyond the board and no number at all: the nearest edge's note.
	EXPECT_EQ(chimePitch(-500.0), 523.25);
	EXPECT_EQ(chimePitch(500.0), 1760.0);
	EXPECT_EQ(chimePitch(std::nan("")), 523.25);
}

/// Every kind of event heard, played for real through SDL's disk driver with
/// no pause between its buffers: each sound's first sample is where the
/// world's time stood when its pass began, to the sample.
TEST(GameSounds, EachSoundBeginsWhereItsPassBegan)
{
	const AudioRequest disk = diskDriverInto("sounds.raw");
	GameSounds sounds(SoundClock::World, false);
	ASSERT_TRUE(sounds.start(disk));
	const int passes[] = {3, 80, 120, 150};
	const Event events[] = {Event("touched").set("x", 20.0), Event("shatter"), Event("hit").set("speed", 15.0),
		Event("solved")};
	for (int n = 1, next = 0; n <= 200; ++n)
	{
		sounds.hear(next < 4 && passes[next] == n ? std::vector<Event>{events[next++]} : std::vector<Event>());
	}
	sounds.close();
	const Samples heard = readSamples(disk.device);
	const Samples stream(heard.begin() + deviceLead(heard, (passes[0] - 1) * pass), heard.end());
	ASSERT_GE(long(stream.size()), 200 * pass);
	for (const int n : passes)
	{
		// Apart from a first sample that starts from nothing; each sound has
		// ended before the next begins.
		const auto begun = std::find_if(stream.begin() + (n - 2) * pass + pass / 2, stream.end(),
			[](float sample) { return sample != 0.0f; });
		EXPECT_GE(begun - stream.begin(), (n - 1) * pass) << "pass " << n;
		EXPECT_LE(begun - stream.begin(), (n - 1) * pass + 1) << "pass " << n;
	}
	EXPECT_NEAR(dominantFrequency(stream, 2 * pass, soundRate / 10, 100.0, 20000.0), chimePitch(20.0), 1.0);
	EXPECT_NEAR(dominantFrequency(stream, 119 * pass, soundRate / 20, 40.0, 5000.0), 140.0, 5.0);
	EXPECT_NEAR(dominantFrequency(stream, 149 * pass + soundRate / 50, soundRate / 10, 300.0, 1200.0), 523.25, 2.0);
	EXPECT_LE(peakOf(stream), 1.0f);
}

/// In the world's time the sound stands while the world does: a paused pass
/// (no step) adds no sound, a half-speed pass every other step. Two chimes,
/// one before the pause and one at half speed after it, lie as far apart in
/// the stream as the world's steps between their passes (SDL's silence
/// before the first buffer, whose length depends on the machine's load,
/// drops out).
TEST(GameSounds, ThePausedWorldsTimeStandsInTheSoundToo)
{
	const AudioRequest disk = diskDriverInto("paused.raw");
	GameSounds sounds(SoundClock::World, false);
	ASSERT_TRUE(sounds.start(disk));
	// Passes 1 to 150 step, 151 to 200 are paused, 201 to 300 at half speed.
	const int chimes[] = {2, 299};
	long chimeSteps[2] = {0, 0};
	long steps = 0;
	for (int n = 1; n <= 300; ++n)
	{
		const int taken = n <= 150 ? 1 : n <= 200 ? 0 : n % 2;
		const bool chime = n == chimes[0] || n == chimes[1];
		if (chime)
		{
			chimeSteps[n == chimes[1] ? 1 : 0] = steps;
		}
		sounds.hear(chime ? std::vector<Event>{Event("touched").set("x", 20.0)} : std::vector<Event>(), taken);
		steps += taken;
	}
	sounds.close();
	const Samples stream = readSamples(disk.device);
	ASSERT_EQ(chimeSteps[1] - chimeSteps[0], 149 + 49);  // passes 2 to 150, and every other of 201 to 298
	ASSERT_GE(long(stream.size()), steps * pass);
	const auto first = std::find_if(stream.begin(), stream.end(), [](float sample) { return sample != 0.0f; });
	// The first chime has died away long before the second begins.
	const auto silence = std::find_if(first + soundRate / 2, stream.end(), [](float sample) { return sample == 0.0f; });
	const auto second = std::find_if(silence, stream.end(), [](float sample) { return sample != 0.0f; });
	ASSERT_NE(second, stream.end());
	EXPECT_NEAR(double(second - first), double((chimeSteps[1] - chimeSteps[0]) * pass), 1.0);
}

}  // namespace
