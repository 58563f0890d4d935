#include "platform/AudioOutput.h"

#include <SDL.h>
#include <alsa/asoundlib.h>

namespace
{

/// ALSA's library prints its own lines on standard error when there is no
/// sound card; the program says what it needs in one line of its own.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

/// SDL's log (the disk driver's warnings that it is one) goes the same way.
void quietSdl(void*, int, SDL_LogPriority, const char*) {}

/// One opened SDL audio device pulling from a fill function on SDL's thread.
class SdlAudio : public AudioOutput
{
public:
	explicit SdlAudio(SampleFill fill) : m_fill(std::move(fill)) {}

	~SdlAudio() override { close(); }

	/// Open and start the device; false with SDL's reason when it cannot.
	bool open(const AudioRequest& request, std::string& error)
	{
		SDL_AudioSpec wanted{};
		wanted.freq = request.sampleRate;
		wanted.format = AUDIO_F32SYS;
		wanted.channels = 1;
		wanted.samples = Uint16(request.bufferSamples);
		wanted.callback = &SdlAudio::pull;
		wanted.userdata = this;
		SDL_AudioSpec obtained{};
		// No changes allowed: SDL converts to what the device takes, so the
		// fill always gives mono floats at the rate asked for.
		m_device = SDL_OpenAudioDevice(request.device.empty() ? nullptr : request.device.c_str(), 0, &wanted,
			&obtained, 0);
		if (m_device == 0)
		{
			error = SDL_GetError();
			return false;
		}
		SDL_PauseAudioDevice(m_device, 0);
		return true;
	}

	bool playing() const override
	{
		return m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_PLAYING;
	}

	void close() override
	{
		if (m_device != 0)
		{
			SDL_CloseAudioDevice(m_device);
			SDL_QuitSubSystem(SDL_INIT_AUDIO);
			m_device = 0;
		}
	}

private:
	static void pull(void* self, Uint8* stream, int bytes)
	{
		static_cast<SdlAudio*>(self)->m_fill(reinterpret_cast<float*>(stream), bytes / int(sizeof(float)));
	}

	SampleFill m_fill;
	SDL_AudioDeviceID m_device = 0;
};

}  // namespace

std::unique_ptr<AudioOutput> openSdlAudio(SampleFill fill, const AudioRequest& request, std::string& error)
{
	// The program's own handlers of Ctrl-C and SIGTERM stay in charge.
	SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
	SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "drawtable");
	if (request.driver.empty())
	{
		SDL_ResetHint(SDL_HINT_AUDIODRIVER);
	}
	else
	{
		SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, request.driver.c_str(), SDL_HINT_OVERRIDE);
	}
	snd_lib_error_set_handler(&quietAlsa);
	SDL_LogSetOutputFunction(&quietSdl, nullptr);
	if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
	{
		error = SDL_GetError();
		return nullptr;
	}
	auto audio = std::make_unique<SdlAudio>(std::move(fill));
	if (!audio->open(request, error))
	{
		SDL_QuitSubSystem(SDL_INIT_AUDIO);
		return nullptr;
	}
	return audio;
}
