#include "sound/GameSounds.h"

#include "core/FixedValues.h"
#include "core/PixelWorldMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

/// C major's pentatonic scale over two octaves from C5, in Hz.
constexpr double chimeNotes[] = {523.25, 587.33, 659.26, 783.99, 880.00, 1046.50, 1174.66, 1318.51, 1567.98, 1760.00};
constexpr int chimeNoteCount = int(sizeof chimeNotes / sizeof chimeNotes[0]);

/// A hit at this speed knocks at full loudness.
constexpr double loudestKnockSpeed = 30.0;

/// The world's time a pass, in samples.
const long samplesPerPass = std::lround(soundRate * double(timeStep));

std::shared_ptr<const Samples> shared(Samples sound)
{
	return std::make_shared<const Samples>(std::move(sound));
}

}  // namespace

double chimePitch(double worldX)
{
	const double left = boardMapping.toWorld(0, 0).x;
	const double right = boardMapping.toWorld(boardWidth, 0).x;
	const double band = std::floor((worldX - left) / (right - left) * chimeNoteCount);
	// Off the board, or no number at all, is its nearest edge's note.
	return chimeNotes[std::isnan(band) ? 0 : int(std::clamp(band, 0.0, double(chimeNoteCount - 1)))];
}

float knockGain(double speed)
{
	return float(std::clamp(speed / loudestKnockSpeed, 0.0, 1.0));
}

GameSounds::GameSounds(SoundClock clock, bool muted)
	: m_mixer(clock),
	  m_muted(muted),
	  m_knock(shared(knockSound())),
	  m_shatter(shared(shatterSound())),
	  m_fanfare(shared(fanfareSound())),
	  m_clock(clock)
{
}

GameSounds::~GameSounds()
{
	close();
}

bool GameSounds::start(const AudioRequest& request)
{
	std::string why;
	AudioRequest atOurRate = request;
	atOurRate.sampleRate = soundRate;
	std::unique_ptr<AudioOutput> opened =
		openSdlAudio([this](float* samples, int count) { m_mixer.fill(samples, count); }, atOurRate, why);
	if (!opened)
	{
		goSilent(why);
		return false;
	}
	m_output = std::move(opened);
	m_playing = true;
	// Each note costs a few milliseconds to make: all of them now, rather
	// than in the pass of a sensor's first touch.
	for (const double note : chimeNotes)
	{
		chime(note);
	}
	return true;
}

void GameSounds::hear(const std::vector<Event>& events)
{
	if (m_playing && !m_output->playing())
	{
		goSilent("the audio device stopped playing");
	}
	if (!m_playing)
	{
		return;
	}
	for (const Event& event : events)
	{
		if (event.type == "hit")
		{
			play(m_knock, knockGain(event.number("speed")));
		}
		else if (event.type == "touched")
		{
			play(chime(chimePitch(event.number("x"))), 1.0f);
		}
		else if (event.type == "shatter")
		{
			play(m_shatter, 1.0f);
		}
		else if (event.type == "solved")
		{
			fanfare();
		}
	}
	if (m_clock == SoundClock::World)
	{
		m_mixer.advance(samplesPerPass);
	}
}

void GameSounds::fanfare()
{
	play(m_fanfare, 1.0f);
}

void GameSounds::toggleMute()
{
	m_muted = !m_muted;
	if (m_muted)
	{
		m_mixer.silence();
	}
}

void GameSounds::close()
{
	if (!m_playing)
	{
		return;
	}
	m_mixer.drain();
	m_mixer.release();
	m_output->close();
	m_playing = false;
}

void GameSounds::play(const std::shared_ptr<const Samples>& sound, float gain)
{
	if (m_playing && !m_muted && gain > 0.0f)
	{
		m_mixer.play(sound, gain);
	}
}

const std::shared_ptr<const Samples>& GameSounds::chime(double pitch)
{
	std::shared_ptr<const Samples>& made = m_chimes[std::lround(pitch * 100.0)];
	if (!made)
	{
		made = shared(chimeSound(pitch));
	}
	return made;
}

void GameSounds::goSilent(const std::string& why)
{
	std::fprintf(stderr, "no sound: %s; the game goes on silent\n", why.c_str());
	m_mixer.release();
	m_output->close();
	m_output = silentAudio();
	m_playing = false;
}
