#include "SoundMeasures.h"
#include "sound/Synthesisers.h"

#include <gtest/gtest.h>

namespace
{

constexpr long ms = soundRate / 1000;

/// What every sound must be: as long as said, audible, never clipped, and
/// silent at both ends (no click as it starts or stops).
void expectWellFormed(const Samples& sound, double seconds, const char* name)
{
	SCOPED_TRACE(name);
	EXPECT_NEAR(double(sound.size()) / soundRate, seconds, 0.001);
	const float loudest = peakOf(sound);
	EXPECT_GT(loudest, 0.3f);
	// Two sounds at once still fit below full scale.
	EXPECT_LE(loudest, 0.5f + 1e-6f);
	ASSERT_GE(sound.size(), 2u);
	EXPECT_EQ(sound.front(), 0.0f);
	EXPECT_LT(std::abs(sound.back()), 1e-3f);
	// The first and last millisecond grow from and fade to nothing.
	EXPECT_LT(peakOf(Samples(sound.begin(), sound.begin() + ms / 4)), 0.25f * loudest);
	EXPECT_LT(peakOf(Samples(sound.end() - ms, sound.end())), 0.05f * loudest);
}

TEST(Synthesisers, EverySoundHasItsLengthNoClippingAndSilentEnds)
{
	expectWellFormed(knockSound(), 0.12, "knock");
	expectWellFormed(chimeSound(523.25), 1.2, "low chime");
	expectWellFormed(chimeSound(1760.0), 1.2, "high chime");
	expectWellFormed(shatterSound(), 0.5, "shatter");
	expectWellFormed(fanfareSound(), 1.0, "fanfare");
}

TEST(Synthesisers, AChimeRingsAtItsPitchAndDiesAway)
{
	for (const double pitch : {523.25, 659.26, 880.0, 1318.51, 1760.0})
	{
		SCOPED_TRACE(pitch);
		const Samples chime = chimeSound(pitch);
		// Its note is the strongest thing heard in it, at the start and later.
		EXPECT_NEAR(dominantFrequency(chime, 0, 100 * ms, 100.0, 20000.0), pitch, 0.002 * pitch);
		EXPECT_NEAR(dominantFrequency(chime, 500 * ms, 200 * ms, 100.0, 20000.0), pitch, 0.002 * pitch);
		// A bell's partials above it, fainter: not a plain sine.
		const double partial = toneLevel(chime, 0, 50 * ms, 2.76 * pitch);
		const double note = toneLevel(chime, 0, 50 * ms, pitch);
		EXPECT_GT(partial, 0.1 * note);
		EXPECT_LT(partial, 0.6 * note);
		// Struck, then fading: a second in, less than an eighth as loud.
		EXPECT_LT(toneLevel(chime, 1000 * ms, 100 * ms, pitch), 0.125 * note);
	}
}

TEST(Synthesisers, AKnockIsALowThumpOverAtOnce)
{
	const Samples knock = knockSound();
	EXPECT_NEAR(dominantFrequency(knock, 5 * ms, 60 * ms, 40.0, 5000.0), 140.0, 5.0);
	EXPECT_LT(toneLevel(knock, 90 * ms, 20 * ms, 140.0), 0.1 * toneLevel(knock, 0, 20 * ms, 140.0));
}

TEST(Synthesisers, TheShatterIsNoiseOverAFallingTone)
{
	const Samples shatter = shatterSound();
	const double early = dominantFrequency(shatter, 20 * ms, 80 * ms, 150.0, 2000.0);
	const double late = dominantFrequency(shatter, 380 * ms, 100 * ms, 150.0, 2000.0);
	EXPECT_GT(early, 800.0);
	EXPECT_LT(late, 400.0);
	// Noise: at the start every band sounds, far from any tone, and dies
	// down well before the end.
	for (const double hz : {3000.0, 5000.0, 9000.0, 15000.0})
	{
		EXPECT_GT(toneLevel(shatter, 0, 20 * ms, hz), 0.002) << hz;
		EXPECT_LT(toneLevel(shatter, 400 * ms, 20 * ms, hz), 0.0005) << hz;
	}
}

TEST(Synthesisers, TheFanfareRisesThroughCMajor)
{
	const Samples fanfare = fanfareSound();
	const struct
	{
		long from;
		double note;
	} notes[] = {{20 * ms, 523.25}, {140 * ms, 659.26}, {260 * ms, 783.99}, {500 * ms, 1046.50}};
	for (const auto& n : notes)
	{
		SCOPED_TRACE(n.note);
		EXPECT_NEAR(dominantFrequency(fanfare, n.from, 90 * ms, 300.0, 1200.0), n.note, 0.003 * n.note);
	}
}

}  // namespace
