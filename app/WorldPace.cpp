#include "app/WorldPace.h"

#include "core/FixedValues.h"

#include <utility>

WorldPace WorldPace::followingClock(std::function<Clock::time_point()> now)
{
	WorldPace pace;
	pace.m_now = std::move(now);
	return pace;
}

int WorldPace::stepsForPass()
{
	const int due = m_now ? followClock() : oneAPass();
	m_taken += due;
	return due;
}

double WorldPace::worldSeconds() const
{
	return double(m_taken) * double(timeStep);
}

int WorldPace::oneAPass()
{
	if (m_paused)
	{
		return 0;
	}
	if (!m_halfSpeed)
	{
		m_halfOwed = false;
		return 1;
	}
	// Every other pass: the half steps of two passes make one.
	m_halfOwed = !m_halfOwed;
	return m_halfOwed ? 0 : 1;
}

int WorldPace::followClock()
{
	const Clock::time_point time = m_now();
	if (!m_started)
	{
		m_started = true;
		m_first = time;
		m_last = time;
		return 0;
	}
	const Clock::duration passed = time - m_last;
	m_last = time;
	if (m_paused)
	{
		return 0;
	}
	m_owed += m_halfSpeed ? passed / 2 : passed;
	const auto step = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeStep));
	long due = long(m_owed / step);
	m_owed -= due * step;
	if (due > maxStepsPerPass)
	{
		m_dropped += (due - maxStepsPerPass) * step;
		due = maxStepsPerPass;
	}
	return int(due);
}
