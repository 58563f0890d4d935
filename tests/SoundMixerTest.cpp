#include "sound/SoundMixer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{

constexpr long pass = 800;

std::shared_ptr<const Samples> sound(Samples samples)
{
	return std::make_shared<const Samples>(std::move(samples));
}

/// What the device takes next, `count` samples.
Samples take(SoundMixer& mixer, int count)
{
	Samples taken(std::size_t(count), -9.0f);
	mixer.fill(taken.data(), count);
	return taken;
}

/// Indexes of the samples that are not silent.
std::vector<long> sounding(const Samples& stream)
{
	std::vector<long> at;
	for (std::size_t i = 0; i < stream.size(); ++i)
	{
		if (stream[i] != 0.0f)
		{
			at.push_back(long(i));
		}
	}
	return at;
}

TEST(SoundMixer, InTheWorldsTimeASoundBeginsWhereItsPassBegan)
{
	// Whatever the device's buffers: a sound of the third pass is heard
	// two passes' time into the stream.
	for (const int buffer : {256, 512, 800, 1000})
	{
		SoundMixer mixer(SoundClock::World);
		Samples stream;
		mixer.advance(pass);
		mixer.advance(pass);
		mixer.play(sound({0.5f, 0.25f}), 1.0f);
		mixer.advance(pass);
		for (long taken = 0; taken + buffer <= 3 * pass; taken += buffer)
		{
			const Samples part = take(mixer, buffer);
			stream.insert(stream.end(), part.begin(), part.end());
		}
		EXPECT_EQ(sounding(stream), (std::vector<long>{2 * pass, 2 * pass + 1})) << buffer;
		EXPECT_EQ(stream[2 * pass], 0.5f);
	}
}

TEST(SoundMixer, ADeviceAheadOfTheWorldWaitsForTheNextPass)
{
	SoundMixer mixer(SoundClock::World);
	mixer.advance(pass);
	std::atomic<bool> done{false};
	Samples taken(1000);
	std::thread device([&] {
		mixer.fill(taken.data(), 1000);
		done = true;
	});
	// It plays what the world has reached, then waits for more.
	while (mixer.played() < pass)
	{
		std::this_thread::yield();
	}
	EXPECT_FALSE(done);
	mixer.play(sound({1.0f}), 0.5f);
	mixer.advance(pass);
	device.join();
	EXPECT_EQ(mixer.played(), 1000);
	EXPECT_EQ(sounding(taken), std::vector<long>{pass});
}

TEST(SoundMixer, InTheDevicesTimeASoundStartsWithTheNextBuffer)
{
	SoundMixer mixer(SoundClock::Device);
	EXPECT_EQ(sounding(take(mixer, 512)), std::vector<long>{});
	mixer.play(sound({0.5f, 0.5f}), 1.0f);
	EXPECT_EQ(sounding(take(mixer, 512)), (std::vector<long>{0, 1}));
	EXPECT_EQ(mixer.voices(), 0);
	// Nothing waits for a world in the device's time.
	EXPECT_TRUE(mixer.drain());
}

TEST(SoundMixer, OverlappingSoundsAddUpHeldToFullScale)
{
	SoundMixer mixer(SoundClock::Device);
	mixer.play(sound({0.25f, 0.5f, 0.5f, -0.5f}), 1.0f);
	mixer.play(sound({0.25f, 0.5f, 0.25f, -0.5f}), 2.0f);
	const Samples mixed = take(mixer, 4);
	EXPECT_EQ(mixed, (Samples{0.75f, 1.0f, 1.0f, -1.0f}));
}

TEST(SoundMixer, TheMostVoicesAndSilenceCutSoundsShort)
{
	SoundMixer mixer(SoundClock::Device);
	for (std::size_t i = 0; i <= SoundMixer::mostVoices; ++i)
	{
		mixer.play(sound({float(i + 1), 0.0f}), 0.001f);
	}
	// The first sound made way for the last: 2 + 3 + ... + 17.
	EXPECT_FLOAT_EQ(take(mixer, 1)[0], 0.152f);
	mixer.silence();
	EXPECT_EQ(sounding(take(mixer, 1)), std::vector<long>{});
}

TEST(SoundMixer, DrainWaitsForAFastDeviceOnly)
{
	// A device as fast as a file: the drain waits until it has played 20 s
	// of the world's time.
	SoundMixer mixer(SoundClock::World);
	mixer.advance(1200 * pass);
	std::thread device([&] {
		while (mixer.played() < 1200 * pass)
		{
			take(mixer, 512);
		}
	});
	EXPECT_TRUE(mixer.drain());
	EXPECT_EQ(mixer.played(), 1200 * pass);
	device.join();

	// A device at the pace of a loudspeaker, or none: given up after a slice.
	mixer.advance(30 * pass);
	EXPECT_FALSE(mixer.drain());
	std::thread loudspeaker([&] {
		while (mixer.played() < 1230 * pass)
		{
			take(mixer, 480);
			std::this_thread::sleep_for(std::chrono::milliseconds(10));
		}
	});
	EXPECT_FALSE(mixer.drain());
	loudspeaker.join();
}

}  // namespace
