#pragma once

#include <box2d/b2_edge_shape.h>
#include <box2d/b2_math.h>

#include <vector>

class PhysicsScene;
class b2Body;

/// Factories of the bodies that come from the drawing and the portal card.
/// Positions and sizes are in world units. Each creates its body and fixtures
/// and registers the body under its kind; none may run inside b2World::Step.
/// A position, size or wall point that is not a finite number (or a size not
/// above 0) creates nothing: the circle factories and createWallChain give null.

/// A dynamic ball: density 1, friction 0.3, no bounce. Registered as Solid.
b2Body* createBall(PhysicsScene& scene, float x, float y, float radius);

/// A floating sensor circle: dynamic with gravity scale 0, so with no impulse
/// on it it stays where it is made. Registered as SensorCircle.
b2Body* createSensorCircle(PhysicsScene& scene, float x, float y, float radius);

/// The floating sensor box over the portal card, half-extents hx, hy > 0.
/// Registered as Portal.
void createPortal(PhysicsScene& scene, float x, float y, float hx, float hy);

/// One static body with an edge between each pair of consecutive points. The
/// chain is open: no edge closes it. Fewer than two points build nothing and
/// give null. Registered as Wall.
b2Body* createWallChain(const std::vector<b2Vec2>& points, PhysicsScene& scene);

/// A two-sided edge from (x1, y1) to (x2, y2), without ghost vertices.
b2EdgeShape makeEdge(float x1, float y1, float x2, float y2);
