#include "render/ProjectedShapes.h"

#include "core/PixelWorldMapping.h"
#include "physics/PhysicsScene.h"
#include "render/CameraViewOverlay.h"
#include "render/SubPixelDrawing.h"

#include <box2d/b2_body.h>
#include <box2d/b2_chain_shape.h>
#include <box2d/b2_fixture.h>

#include <cmath>

namespace
{

/// Sensor rings are drawn this far outside the ink, so the ink stays unlit.
constexpr float sensorRingGap = 5.0f;
constexpr float sensorRingWidth = 2.5f;
constexpr int circlePoints = 32;
constexpr float wallOutlineWidth = 1.5f;
constexpr float burstWidth = 3.0f;
constexpr float burstStartRadius = 6.0f;
constexpr float burstGrowth = 2.0f;

cv::Point2f onBoard(const PixelWorldMapping& mapping, const b2Vec2& p)
{
	return cv::Point2f(mapping.toPixel(p.x, p.y));
}

/// The body's outline `lead` seconds ahead: moved by its velocity and turned
/// by its angular velocity about its origin.
ProjectedShape outlineOf(const b2Body& body, const PixelWorldMapping& mapping, const cv::Scalar& colour,
	float lead = 0.0f)
{
	ProjectedShape shape;
	shape.colour = colour;
	const b2Vec2 origin = body.GetPosition();
	const b2Rot turn(body.GetAngularVelocity() * lead);
	const b2Vec2 move = lead * body.GetLinearVelocity();
	for (const b2Vec2& p : bodyOutline(body))
	{
		shape.points.push_back(onBoard(mapping, origin + move + b2Mul(turn, p - origin)));
	}
	return shape;
}

/// The walls made from the drawing are chains; each becomes an open line.
void addChains(const b2Body& body, const PixelWorldMapping& mapping, std::vector<ProjectedShape>& shapes)
{
	for (const b2Fixture* fixture = body.GetFixtureList(); fixture != nullptr; fixture = fixture->GetNext())
	{
		if (fixture->GetShape()->GetType() != b2Shape::e_chain)
		{
			continue;
		}
		const auto* chain = static_cast<const b2ChainShape*>(fixture->GetShape());
		ProjectedShape line;
		line.colour = projectedColour::wallOutline;
		line.filled = false;
		line.closed = false;
		line.width = wallOutlineWidth;
		for (int i = 0; i < chain->m_count; ++i)
		{
			line.points.push_back(onBoard(mapping, b2Mul(body.GetTransform(), chain->m_vertices[i])));
		}
		shapes.push_back(std::move(line));
	}
}

bool hasPolygon(const b2Body& body)
{
	for (const b2Fixture* fixture = body.GetFixtureList(); fixture != nullptr; fixture = fixture->GetNext())
	{
		if (fixture->GetShape()->GetType() == b2Shape::e_polygon)
		{
			return true;
		}
	}
	return false;
}

void addSensors(const PhysicsScene& scene, const std::vector<ShapeRecord>& sensors, std::vector<ProjectedShape>& shapes)
{
	for (const ShapeRecord& record : sensors)
	{
		const ShapeDescriptor& d = record.descriptor;
		if (!hasMeanRadius(d) || !scene.isRegistered(record.body))
		{
			continue;
		}
		const BodyInfo* info = bodyInfoOf(record.body);
		const cv::Point2f centre(descriptorCentroid(d));
		const float radius = float(descriptorMeanRadius(d)) + sensorRingGap;
		ProjectedShape ring;
		ring.points = circleOutline(centre, radius, circlePoints);
		ring.colour = projectedColour::sensor;
		// A touched sensor lights up: the disc round its ring.
		ring.filled = info != nullptr && info->touched;
		ring.width = ring.filled ? 0.0f : sensorRingWidth;
		shapes.push_back(std::move(ring));
	}
}

}  // namespace

std::vector<ProjectedShape> projectedShapes(const PhysicsScene& scene, const std::vector<ShapeRecord>& sensors,
	const std::vector<Burst>& bursts, bool wallOutline, float lead)
{
	const PixelWorldMapping& mapping = boardMapping;
	std::vector<ProjectedShape> shapes;
	addSensors(scene, sensors, shapes);
	for (const BodyInfo* info : scene.collectBodyInfo())
	{
		// A body marked in this pass (the balls of the last map, a replay's
		// old balls, the walls a rescan rebuilds) is gone from the game at the
		// next flush; its light would show a ball that no longer exists.
		if (scene.getMarked().count(info->body) != 0)
		{
			continue;
		}
		if (info->kind == Solid || info->kind == Debris)
		{
			shapes.push_back(outlineOf(*info->body, mapping, projectedColour::body, lead));
		}
		else if (info->kind == Wall)
		{
			// Mouse walls are slabs; the ink's walls are chains, on the paper already.
			if (hasPolygon(*info->body))
			{
				shapes.push_back(outlineOf(*info->body, mapping, projectedColour::mouseWall));
			}
			if (wallOutline)
			{
				addChains(*info->body, mapping, shapes);
			}
		}
	}
	for (const Burst& burst : bursts)
	{
		ProjectedShape ring;
		ring.points = circleOutline(burst.centre, burstStartRadius + burstGrowth * float(burst.age), circlePoints);
		ring.colour = projectedColour::burst;
		ring.filled = false;
		ring.width = burstWidth;
		shapes.push_back(std::move(ring));
	}
	return shapes;
}
