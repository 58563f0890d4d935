#include "ScratchFiles.h"
#include "SoundMeasures.h"
#include "sound/GameSounds.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <thread>

namespace
{

constexpr long pass = soundRate / 60;

Event touched(double x)
{
	return Event("touched").set("x", x).set("y", 0.0);
}

Event hit(double speed)
{
	return Event("hit").set("speed", speed);
}

/// Index of the first sample from `from` on that is not silent, or -1.
long firstSound(const Samples& stream, long from)
{
	for (long i = from; i < long(stream.size()); ++i)
	{
		if (stream[std::size_t(i)] != 0.0f)
		{
			return i;
		}
	}
	return -1;
}

TEST(ChimeScale, SensorsChimeAPentatonicTuneFromLeftToRight)
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

TEST(ChimeScale, AHarderHitKnocksLouderUpToFull)
{
	EXPECT_EQ(knockGain(0.0), 0.0f);
	EXPECT_FLOAT_EQ(knockGain(3.0), 0.1f);
	EXPECT_FLOAT_EQ(knockGain(15.0), 0.5f);
	EXPECT_EQ(knockGain(30.0), 1.0f);
	EXPECT_EQ(knockGain(300.0), 1.0f);
}

/// GameSounds played for real through SDL's disk driver, which writes what
/// the device would play into a file; with no pause between its buffers, as
/// fast as the passes come.
class GameSoundsOnDisk : public ::testing::Test
{
protected:
	static void SetUpTestSuite() { ::setenv("SDL_DISKAUDIODELAY", "0", 1); }

	AudioRequest disk() const
	{
		AudioRequest request;
		request.driver = "disk";
		request.device = path;
		return request;
	}

	/// `passes` passes of the world, `events` heard in the pass they name
	/// (from 1); `between` is called after each pass with its number. The
	/// samples the device played.
	Samples play(GameSounds& sounds, const std::map<int, std::vector<Event>>& events, int passes,
		const std::function<void(int)>& between = [](int) {})
	{
		EXPECT_TRUE(sounds.start(disk()));
		for (int n = 1; n <= passes; ++n)
		{
			const auto found = events.find(n);
			sounds.hear(found != events.end() ? found->second : std::vector<Event>());
			between(n);
		}
		sounds.close();
		const Samples stream = readSamples(path);
		EXPECT_GE(long(stream.size()), passes * pass);
		return stream;
	}

	const std::string path = scratchPath("sounds.raw");
};

TEST_F(GameSoundsOnDisk, EachSoundBeginsWhereItsPassBegan)
{
	GameSounds sounds(SoundClock::World, false);
	const double x = 20.0;
	const Samples stream =
		play(sounds, {{3, {touched(x)}}, {80, {Event("shatter")}}, {120, {hit(15.0)}}, {150, {Event("solved")}}}, 200);
	// Apart from a sample that starts from nothing, each sound's first is
	// where its pass began: the chime, and each after the one before ended.
	for (const int n : {3, 80, 120, 150})
	{
		const long begun = firstSound(stream, (n - 2) * pass + pass / 2);
		EXPECT_GE(begun, (n - 1) * pass) << "pass " << n;
		EXPECT_LE(begun, (n - 1) * pass + 1) << "pass " << n;
	}
	EXPECT_NEAR(dominantFrequency(stream, 2 * pass, soundRate / 10, 100.0, 20000.0), chimePitch(x), 1.0);
	EXPECT_NEAR(dominantFrequency(stream, 119 * pass, soundRate / 20, 40.0, 5000.0), 140.0, 5.0);
	EXPECT_NEAR(dominantFrequency(stream, 149 * pass + soundRate / 50, soundRate / 10, 300.0, 1200.0), 523.25, 2.0);
	EXPECT_LE(peakOf(stream), 1.0f);
}

TEST_F(GameSoundsOnDisk, AKnockIsAsLoudAsTheHitWasHardUpToFull)
{
	const double speeds[] = {2.0, 4.0, 8.0, 16.0, 30.0, 45.0};
	std::map<int, std::vector<Event>> events;
	for (int i = 0; i < 6; ++i)
	{
		events[10 + 20 * i] = {hit(speeds[i])};
	}
	GameSounds sounds(SoundClock::World, false);
	const Samples stream = play(sounds, events, 130);
	const double full = toneLevel(stream, (10 + 20 * 4 - 1) * pass, soundRate / 25, 140.0);
	EXPECT_GT(full, 0.2);
	for (int i = 0; i < 6; ++i)
	{
		const double level = toneLevel(stream, (10 + 20 * i - 1) * pass, soundRate / 25, 140.0);
		EXPECT_NEAR(level / full, std::min(speeds[i], 30.0) / 30.0, 0.01) << speeds[i] << " m/s";
	}
}

TEST_F(GameSoundsOnDisk, MutedIsSilenceUntilTheKeyAndAgainAfterIt)
{
	GameSounds sounds(SoundClock::World, true);
	const Samples stream = play(sounds, {{5, {touched(0.0)}}, {20, {hit(20.0)}}, {70, {touched(0.0)}}}, 140,
		[&](int n) {
			if (n == 60 || n == 79)
			{
				sounds.toggleMute();
			}
		});
	// Silent until unmuted after pass 60, the chime of pass 70, cut short
	// when muted again after pass 79, and silent from there on.
	EXPECT_EQ(firstSound(stream, 0), 69 * pass + 1);
	EXPECT_GT(peakOf(Samples(stream.begin() + 69 * pass, stream.begin() + 79 * pass)), 0.3f);
	EXPECT_EQ(firstSound(stream, 79 * pass), -1);
}

TEST_F(GameSoundsOnDisk, NoDeviceIsOneLineAndTheGameGoesOnSilent)
{
	GameSounds sounds(SoundClock::World, false);
	AudioRequest nowhere;
	nowhere.driver = "nosuchdriver";
	::testing::internal::CaptureStderr();
	EXPECT_FALSE(sounds.start(nowhere));
	for (int n = 0; n < 10; ++n)
	{
		sounds.hear({touched(0.0), hit(10.0), Event("shatter")});
	}
	sounds.fanfare();
	sounds.close();
	const std::string said = ::testing::internal::GetCapturedStderr();
	EXPECT_EQ(said.rfind("no sound: ", 0), 0u) << said;
	EXPECT_NE(said.find("nosuchdriver"), std::string::npos) << said;
	EXPECT_EQ(said.find("; the game goes on silent\n"), said.size() - 26) << said;
	EXPECT_FALSE(sounds.playing());
}

TEST_F(GameSoundsOnDisk, ALostDeviceIsOneLineAndTheGameGoesOnSilent)
{
	if (::access("/dev/full", W_OK) != 0)
	{
		GTEST_SKIP() << "no /dev/full here";
	}
	// A disk that takes nothing: SDL finds the device gone at its first writes.
	AudioRequest full = disk();
	full.device = "/dev/full";
	GameSounds sounds(SoundClock::World, false);
	::testing::internal::CaptureStderr();
	EXPECT_TRUE(sounds.start(full));
	for (int n = 0; n < 5000 && sounds.playing(); ++n)
	{
		sounds.hear({touched(0.0)});
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	for (int n = 0; n < 10; ++n)
	{
		sounds.hear({touched(0.0)});
	}
	sounds.close();
	EXPECT_EQ(::testing::internal::GetCapturedStderr(),
		"no sound: the audio device stopped playing; the game goes on silent\n");
	EXPECT_FALSE(sounds.playing());
}

}  // namespace
