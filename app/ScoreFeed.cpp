#include "app/ScoreFeed.h"

#include "physics/PhysicsScene.h"
#include "render/PlaySceneGathering.h"

#include <cmath>

void ScoreFeed::report(Event event)
{
	if (event.type == "touched")
	{
		const double ball = event.number("ball");
		const double sensor = event.number("sensor");
		if (std::isfinite(ball) && std::isfinite(sensor))
		{
			m_touches.emplace_back(ScoreKeeper::Id(ball), ScoreKeeper::Id(sensor));
		}
	}
	m_next->report(std::move(event));
}

void ScoreFeed::scoreTouches(int pass, double now)
{
	for (const auto& [ball, sensor] : m_touches)
	{
		m_score.touch(ball, sensor, pass, now, m_next);
	}
	m_touches.clear();
}

void ScoreFeed::drawingBuilt(const PhysicsScene& scene, bool newMap, double now)
{
	if (newMap)
	{
		m_score.newDrawing(now);
	}
	for (const BodyInfo* info : scene.collectBodyInfo())
	{
		if (info->kind == SensorCircle && scene.getMarked().count(info->body) == 0)
		{
			m_score.addSensor(scoreId(info->body));
		}
	}
}
