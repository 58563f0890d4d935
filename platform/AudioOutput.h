#pragma once

#include <functional>
#include <memory>
#include <string>

/// Fills `count` mono samples, each from -1 to 1. The device calls it on a
/// thread of its own, whenever it wants more to play.
using SampleFill = std::function<void(float* samples, int count)>;

/// Which device to play through; empty names leave the choice to the audio
/// library (its own default, or what the environment names: SDL_AUDIODRIVER).
struct AudioRequest
{
	/// The audio library's driver ("alsa", "pulseaudio", "disk").
	std::string driver;
	/// The driver's device; for the "disk" driver, the file it writes.
	std::string device;
	int sampleRate = 48000;
	/// Samples a buffer: what the device takes at a time, so also the
	/// longest a new sound waits before it is heard (512 is 11 ms).
	int bufferSamples = 512;
};

/// The seam to the loudspeaker. A device pulls samples from a fill function on
/// a thread of its own, from when it opens until it closes; a device that is
/// lost or fails on the way stops pulling and says so through `playing`.
class AudioOutput
{
public:
	virtual ~AudioOutput() = default;

	/// True while the samples reach a device: false for the silent output and
	/// once a device has stopped (unplugged, a file it can no longer write).
	virtual bool playing() const = 0;

	/// Stop the device; the fill function is not called again once this
	/// returns. It waits for the device's thread, so a fill function that
	/// waits must be let go first. Closing twice is harmless.
	virtual void close() = 0;
};

/// Plays nothing and pulls nothing: what the game has when there is no sound.
std::unique_ptr<AudioOutput> silentAudio();

/// SDL's audio: opens the device and starts pulling from `fill` at once,
/// mono 32-bit float at the rate asked for (SDL converts for the device).
/// Null, with SDL's reason in `error`, when no device can be opened.
std::unique_ptr<AudioOutput> openSdlAudio(SampleFill fill, const AudioRequest& request, std::string& error);
