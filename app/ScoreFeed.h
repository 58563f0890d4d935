#pragma once

#include "core/EventSink.h"
#include "core/ScoreKeeper.h"

#include <utility>
#include <vector>

class PhysicsScene;

/// The score fed by the world: the scene's events pass through here on their
/// way to the trace, and every `touched` (a ball's first contact with a
/// sensor, by their ids) is kept until the pass's steps are done; then the
/// touches score, and `scored` and `solved` follow them into the trace.
class ScoreFeed : public EventSink
{
public:
	/// The scene's events go on to `next` (the trace, or projector mode's
	/// sink in front of it).
	explicit ScoreFeed(EventSink& next) : m_next(&next) {}

	void setNext(EventSink& next) { m_next = &next; }

	/// Keeps the touches, whoever else listens, and passes the event on.
	void report(Event event) override;
	bool listening() const override { return true; }

	/// The pass's steps are done, the world's clock at `now` seconds: the
	/// touches heard since score as of pass `pass`.
	void scoreTouches(int pass, double now);

	/// A rescan built the drawing: another drawing (`newMap`) starts afresh
	/// at `now`; every sensor circle of `scene` not on its way out is a goal.
	void drawingBuilt(const PhysicsScene& scene, bool newMap, double now);

	/// The same drawing played again from `now` (the key r).
	void replay(double now) { m_score.replay(now); }

	/// The score as it stands.
	const ScoreKeeper& score() const { return m_score; }

private:
	EventSink* m_next;
	ScoreKeeper m_score;
	/// Ball and sensor ids of the touches of this pass's steps.
	std::vector<std::pair<ScoreKeeper::Id, ScoreKeeper::Id>> m_touches;
};
