#include "physics/MouseWalls.h"

#include "core/PixelWorldMapping.h"
#include "core/EventSink.h"
#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>
#include <box2d/b2_polygon_shape.h>
#include <opencv2/highgui.hpp>

#include <cassert>
#include <cmath>

/// Half the thickness of a mouse wall.
static constexpr float wallHalfThickness = 0.1f;

void onGameMouse(PhysicsScene& scene, PenState& pen, int event, int x, int y)
{
	if (event == cv::EVENT_LBUTTONUP)
	{
		pen = PenState();
		return;
	}
	const bool drawing = event == cv::EVENT_LBUTTONDOWN || (event == cv::EVENT_MOUSEMOVE && pen.inStroke());
	if (!drawing)
	{
		return;
	}
	if (!pen.inStroke())
	{
		pen.x = x;
		pen.y = y;
		return;
	}
	if (x == pen.x && y == pen.y)
	{
		return;  // no walls of zero length
	}
	// The game image shares the board's mapping, so the wall lies under the mouse path.
	const b2Vec2 from = boardMapping.toWorld(x, y);
	const b2Vec2 to = boardMapping.toWorld(pen.x, pen.y);
	createWallSegment(scene, from.x, from.y, to.x, to.y);
	scene.report(Event("mouseWall").set("x1", double(from.x)).set("y1", double(from.y))
		.set("x2", double(to.x)).set("y2", double(to.y)));
	pen.x = x;
	pen.y = y;
}

void createWallSegment(PhysicsScene& scene, float x1, float y1, float x2, float y2)
{
	const float dx = x2 - x1;
	const float dy = y2 - y1;
	const float halfLength = std::sqrt(dx * dx + dy * dy) / 2.0f;
	assert(halfLength > 0.0f);

	b2BodyDef def;  // static
	def.position.Set((x1 + x2) / 2.0f, (y1 + y2) / 2.0f);
	def.angle = float(std::atan2(double(dy), double(dx)));
	b2Body* body = scene.world()->CreateBody(&def);
	b2PolygonShape slab;
	slab.SetAsBox(halfLength, wallHalfThickness);
	body->CreateFixture(&slab, 0.0f);
	scene.registerBody(body, Wall);
}
