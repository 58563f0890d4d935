#include "core/ScoreKeeper.h"

#include "core/EventSink.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double unset = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void ScoreKeeper::newDrawing(double now)
{
	m_sensors.clear();
	m_best = unset;
	restart(now);
}

void ScoreKeeper::replay(double now)
{
	for (Sensor& sensor : m_sensors)
	{
		sensor.litAfter = unset;
	}
	restart(now);
}

void ScoreKeeper::restart(double now)
{
	m_scoredPairs.clear();
	m_start = now;
	m_score = 0;
	m_lit = 0;
	m_solved = false;
	m_solvedAfter = unset;
}

void ScoreKeeper::addSensor(Id sensor)
{
	if (findSensor(sensor) != nullptr)
	{
		return;
	}
	m_sensors.push_back({sensor, unset});
	// The goal now includes a sensor nobody has lit.
	m_solved = false;
	m_solvedAfter = unset;
}

ScoreKeeper::Touch ScoreKeeper::touch(Id ball, Id sensor, int pass, double now, EventSink* events)
{
	Sensor* touched = findSensor(sensor);
	if (touched == nullptr || !m_scoredPairs.insert({ball, sensor}).second)
	{
		return Touch::Nothing;
	}
	const double played = secondsPlayed(now);
	++m_score;
	if (std::isnan(touched->litAfter))
	{
		touched->litAfter = played;
		++m_lit;
	}
	reportTo(events, Event("scored")
						 .set("pass", double(pass))
						 .set("sensor", double(touched - m_sensors.data()))
						 .set("time", played)
						 .set("score", double(m_score)));
	if (m_solved || m_lit < sensorCount())
	{
		return Touch::Scored;
	}
	m_solved = true;
	m_solvedAfter = played;
	m_best = std::isnan(m_best) ? played : std::min(m_best, played);
	reportTo(events, Event("solved").set("pass", double(pass)).set("time", played).set("best", m_best));
	return Touch::Solved;
}

double ScoreKeeper::litAfter(Id sensor) const
{
	const Sensor* found = findSensor(sensor);
	return found == nullptr ? unset : found->litAfter;
}

ScoreKeeper::Sensor* ScoreKeeper::findSensor(Id sensor)
{
	return const_cast<Sensor*>(static_cast<const ScoreKeeper*>(this)->findSensor(sensor));
}

const ScoreKeeper::Sensor* ScoreKeeper::findSensor(Id sensor) const
{
	const auto found =
		std::find_if(m_sensors.begin(), m_sensors.end(), [sensor](const Sensor& s) { return s.id == sensor; });
	return found == m_sensors.end() ? nullptr : &*found;
}
