#pragma once

#include <cstdint>
#include <limits>
#include <set>
#include <utility>
#include <vector>

class EventSink;

/// The rules of the game on one drawing: its goal is to light every one of
/// its sensors. The first touch of a ball on a sensor scores a point (each
/// ball and sensor pair once) and lights the sensor; the touch that lights
/// the last unlit sensor solves the drawing, in the time since it was built.
/// The best of those times stays while the drawing does: playing it again
/// starts the clock and the touches afresh and keeps the best, a new drawing
/// forgets it. A drawing with no sensor is never solved.
///
/// Times are read on the caller's clock, in seconds; the world's clock (the
/// seconds it has been stepped) makes a pause stop the game's time too.
/// Balls and sensors are told apart by ids the caller chooses, which must not
/// be given to another body while the drawing stays.
class ScoreKeeper
{
public:
	using Id = std::uintptr_t;

	/// What a touch did.
	enum class Touch
	{
		Nothing,  ///< a pair that scored before, or a sensor not of this drawing
		Scored,   ///< a point, and the sensor lit if it was not
		Solved    ///< a point that lit the drawing's last unlit sensor
	};

	/// A new drawing built at `now`: no sensors yet, no points, no best time.
	void newDrawing(double now);

	/// The same drawing played again from `now`: points, lit sensors and the
	/// solution go, the sensors and the best time stay.
	void replay(double now);

	/// A sensor of the drawing; it is numbered in the order of these calls
	/// from 0. A sensor added to a solved drawing leaves it to be solved again.
	/// Adding one twice changes nothing.
	void addSensor(Id sensor);

	/// Ball `ball` begins to touch `sensor` at `now`, in pass `pass`: reports
	/// `scored` (pass, sensor, time, score) and, when that lit the last
	/// sensor, `solved` (pass, time, best) to `events` (null reports nothing).
	Touch touch(Id ball, Id sensor, int pass, double now, EventSink* events);

	/// Points of this play of the drawing.
	int score() const { return m_score; }
	/// Sensors lit in this play, and all of the drawing's.
	int sensorsLit() const { return m_lit; }
	int sensorCount() const { return int(m_sensors.size()); }
	/// True once every sensor is lit, until a replay, a new drawing or a new sensor.
	bool solved() const { return m_solved; }
	/// Seconds from the start of this play to the touch that solved it; NaN while unsolved.
	double solvedAfter() const { return m_solvedAfter; }
	/// The shortest solution of this drawing; NaN before its first.
	double bestTime() const { return m_best; }
	/// Seconds since the drawing was built or last played again.
	double secondsPlayed(double now) const { return now - m_start; }
	/// When `sensor` was lit in this play, as seconds of secondsPlayed; NaN while unlit or unknown.
	double litAfter(Id sensor) const;

private:
	struct Sensor
	{
		Id id;
		/// Seconds of play at the first touch; NaN while unlit.
		double litAfter;
	};

	Sensor* findSensor(Id sensor);
	const Sensor* findSensor(Id sensor) const;
	/// Points, lit sensors and the solution back to none, the clock from `now`.
	void restart(double now);

	std::vector<Sensor> m_sensors;
	/// Every ball and sensor pair that scored in this play.
	std::set<std::pair<Id, Id>> m_scoredPairs;
	double m_start = 0.0;
	int m_score = 0;
	int m_lit = 0;
	bool m_solved = false;
	double m_solvedAfter = std::numeric_limits<double>::quiet_NaN();
	double m_best = std::numeric_limits<double>::quiet_NaN();
};
