#pragma once

#include "core/Event.h"
#include "platform/AudioOutput.h"
#include "sound/SoundMixer.h"

#include <map>
#include <memory>
#include <vector>

/// The note in Hz that a sensor at world x chimes: the board is cut into ten
/// bands from left to right, and each band has the next note of the
/// pentatonic scale from C5 to A6, so the sensors of a drawing play a tune
/// from left to right.
double chimePitch(double worldX);

/// How loud a ball that hits a wall at `speed` metres a second knocks, from 0
/// to 1: in proportion to the speed, full at 30 m/s (a fall across the board).
float knockGain(double speed);

/// What the game sounds like: it hears every pass's events and plays a knock
/// for a ball's hit on a wall (louder the harder), a chime for a touched sensor,
/// the shatter of the portal and a fanfare for a solved drawing, through one
/// audio device opened at start. Without a device, or once it fails, it says
/// so in one line and the game goes on silent.
class GameSounds
{
public:
	/// Sounds keeping `clock`'s time; `muted` starts it muted (--mute).
	GameSounds(SoundClock clock, bool muted);

	/// Closes the device.
	~GameSounds();

	GameSounds(const GameSounds&) = delete;
	GameSounds& operator=(const GameSounds&) = delete;

	/// Open the device `request` names (at the sounds' own rate, whatever
	/// it asks) and play through it from now on.
	/// False, after the line "no sound: <why>; the game goes on silent" on
	/// standard error, when there is none. Muted, the device is opened all the
	/// same, so that unmuting is heard.
	bool start(const AudioRequest& request = AudioRequest());

	/// One pass's events, heard as the pass ends: `hit` (its `speed`),
	/// `touched` (the sensor's `x`), `shatter` and `solved`. In the world's
	/// time the sounds then move on by a pass.
	void hear(const std::vector<Event>& events);

	/// The drawing is solved.
	void fanfare();

	/// The key m: silence what plays and what comes, or let it be heard again.
	void toggleMute();

	/// Whether the sound is muted.
	bool muted() const { return m_muted; }

	/// True while the sounds reach a device.
	bool playing() const { return m_playing; }

	/// Let a device faster than real time (a file) play up to the world's
	/// present, in the world's time, then close it. Closing twice is harmless.
	void close();

private:
	void play(const std::shared_ptr<const Samples>& sound, float gain);
	const std::shared_ptr<const Samples>& chime(double pitch);
	/// Close the device and say why there is no sound.
	void goSilent(const std::string& why);

	SoundMixer m_mixer;
	std::unique_ptr<AudioOutput> m_output = silentAudio();
	bool m_playing = false;
	bool m_muted;

	const std::shared_ptr<const Samples> m_knock;
	const std::shared_ptr<const Samples> m_shatter;
	const std::shared_ptr<const Samples> m_fanfare;
	/// Each note's chime, by its pitch in hundredths of a Hz; made at start.
	std::map<long, std::shared_ptr<const Samples>> m_chimes;
	SoundClock m_clock;
};
