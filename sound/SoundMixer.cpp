#include "sound/SoundMixer.h"

#include <algorithm>
#include <chrono>

void SoundMixer::play(std::shared_ptr<const Samples> sound, float gain)
{
	std::lock_guard<std::mutex> hold(m_lock);
	if (m_voices.size() >= mostVoices)
	{
		m_voices.erase(m_voices.begin());
	}
	// In the world's time the device has not passed the world's present, so
	// a sound started there is heard from its first sample.
	const long start = present();
	const long end = start + long(sound->size());
	m_voices.push_back(Voice{std::move(sound), gain, start, end});
}

void SoundMixer::advance(long samples)
{
	{
		std::lock_guard<std::mutex> hold(m_lock);
		m_world += samples;
	}
	m_moved.notify_all();
}

void SoundMixer::silence()
{
	std::lock_guard<std::mutex> hold(m_lock);
	for (Voice& voice : m_voices)
	{
		voice.end = std::min(voice.end, present());
	}
}

void SoundMixer::fill(float* samples, int count)
{
	std::unique_lock<std::mutex> hold(m_lock);
	long done = 0;
	while (done < count)
	{
		long ready = count - done;
		if (m_clock == SoundClock::World && !m_released)
		{
			m_moved.wait(hold, [this] { return m_released || m_played < m_world; });
			ready = m_released ? ready : std::min(ready, m_world - m_played);
		}
		mixNext(samples + done, ready);
		done += ready;
		// A drain may be waiting for the world's present, reached mid-buffer.
		m_moved.notify_all();
	}
}

void SoundMixer::mixNext(float* samples, long count)
{
	std::fill(samples, samples + count, 0.0f);
	for (const Voice& voice : m_voices)
	{
		const long from = std::max(m_played, voice.start);
		const long to = std::min(m_played + count, voice.end);
		for (long i = from; i < to; ++i)
		{
			samples[i - m_played] += voice.gain * (*voice.sound)[std::size_t(i - voice.start)];
		}
	}
	for (long i = 0; i < count; ++i)
	{
		samples[i] = std::clamp(samples[i], -1.0f, 1.0f);
	}
	m_played += count;
	const long played = m_played;
	m_voices.erase(std::remove_if(m_voices.begin(), m_voices.end(),
					   [played](const Voice& voice) { return voice.end <= played; }),
		m_voices.end());
}

void SoundMixer::release()
{
	{
		std::lock_guard<std::mutex> hold(m_lock);
		m_released = true;
	}
	m_moved.notify_all();
}

bool SoundMixer::drain()
{
	std::unique_lock<std::mutex> hold(m_lock);
	if (m_clock != SoundClock::World)
	{
		return true;
	}
	const auto slice = std::chrono::milliseconds(drainSliceMs);
	constexpr long realTimeSlice = soundRate * drainSliceMs / 1000;
	while (m_played < m_world)
	{
		const long before = m_played;
		m_moved.wait_for(hold, slice, [this] { return m_played >= m_world; });
		if (m_played < m_world && m_played - before < 2 * realTimeSlice)
		{
			return false;
		}
	}
	return true;
}

long SoundMixer::played() const
{
	std::lock_guard<std::mutex> hold(m_lock);
	return m_played;
}

int SoundMixer::voices() const
{
	std::lock_guard<std::mutex> hold(m_lock);
	return int(m_voices.size());
}
