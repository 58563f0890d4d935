#include "render/PlaySceneGathering.h"

#include "physics/PhysicsScene.h"
#include "render/CameraViewOverlay.h"

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>

#include <cmath>
#include <limits>

namespace
{

const b2Shape* firstShape(const b2Body& body)
{
	const b2Fixture* fixture = body.GetFixtureList();
	return fixture == nullptr ? nullptr : fixture->GetShape();
}

b2Vec2 middle(const b2Vec2& a, const b2Vec2& b)
{
	return 0.5f * (a + b);
}

/// A mouse wall is a slab: from the middle of one short side to the other's.
void addPlank(const b2Body& body, std::vector<PlayPlank>& planks)
{
	const b2Shape* shape = firstShape(body);
	if (shape == nullptr || shape->GetType() != b2Shape::e_polygon)
	{
		return;  // a wall of the drawing: a chain, shown as its ink
	}
	const auto* slab = static_cast<const b2PolygonShape*>(shape);
	if (slab->m_count != 4)
	{
		return;
	}
	b2Vec2 v[4];
	for (int i = 0; i < 4; ++i)
	{
		v[i] = b2Mul(body.GetTransform(), slab->m_vertices[i]);
	}
	const bool firstSideLong = b2DistanceSquared(v[0], v[1]) >= b2DistanceSquared(v[1], v[2]);
	planks.push_back(firstSideLong ? PlayPlank{middle(v[3], v[0]), middle(v[1], v[2])}
								   : PlayPlank{middle(v[0], v[1]), middle(v[2], v[3])});
}

void addSensor(const BodyInfo& info, const ScoreKeeper& score, std::vector<PlaySensor>& sensors)
{
	const b2Shape* shape = firstShape(*info.body);
	PlaySensor sensor;
	sensor.position = info.body->GetPosition();
	sensor.radius = shape == nullptr ? 0.0f : shape->m_radius;
	sensor.litAfter = score.litAfter(scoreId(info.body));
	if (std::isnan(sensor.litAfter) && info.touched)
	{
		// Touched, though the score never heard of it: lit long ago.
		sensor.litAfter = -std::numeric_limits<double>::infinity();
	}
	sensors.push_back(sensor);
}

}  // namespace

ScoreKeeper::Id scoreId(const b2Body* body)
{
	return reinterpret_cast<ScoreKeeper::Id>(body);
}

void gatherPlayPieces(const PhysicsScene& scene, const ScoreKeeper& score, PlayScene& play)
{
	play.balls.clear();
	play.boxes.clear();
	play.debris.clear();
	play.sensors.clear();
	play.portals.clear();
	play.planks.clear();
	for (const BodyInfo* info : scene.collectBodyInfo())
	{
		const b2Body& body = *info->body;
		if (scene.getMarked().count(info->body) != 0)
		{
			continue;
		}
		const b2Shape* shape = firstShape(body);
		switch (info->kind)
		{
		case Solid:
			if (shape != nullptr && shape->GetType() == b2Shape::e_circle)
			{
				play.balls.push_back({body.GetPosition(), shape->m_radius, body.GetAngle()});
			}
			else
			{
				play.boxes.push_back({bodyOutline(body), body.GetLinearVelocity()});
			}
			break;
		case Debris:
			play.debris.push_back({bodyOutline(body), body.GetLinearVelocity()});
			break;
		case SensorCircle:
			addSensor(*info, score, play.sensors);
			break;
		case Portal:
			play.portals.push_back(bodyOutline(body));
			break;
		case Wall:
			addPlank(body, play.planks);
			break;
		}
	}
}

void fillScoreStatus(const ScoreKeeper& score, double now, PlayStatus& status)
{
	status.score = score.score();
	status.sensorsLit = score.sensorsLit();
	status.sensorCount = score.sensorCount();
	status.seconds = score.secondsPlayed(now);
	status.solved = score.solved();
	status.solvedAfter = score.solvedAfter();
	status.bestTime = score.bestTime();
}
