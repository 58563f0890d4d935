#pragma once

class b2Body;

/// What a registered body is. The numbers are the stored values; 0 is never used.
enum BodyKind : int
{
	Solid = 1,        ///< balls and spawned boxes: dynamic, fall, shatter in the portal
	Wall = 2,         ///< static walls from the drawing or the mouse
	Debris = 3,       ///< the small boxes a shatter leaves
	Portal = 4,       ///< floating sensor box over the portal card
	SensorCircle = 5  ///< floating sensor circle that notes a touching Solid
};

/// The record every body of the system carries as its Box2D user data.
/// Owned by the PhysicsScene, deleted just before its body is destroyed.
struct BodyInfo
{
	b2Body* body;
	BodyKind kind;
	/// Set once a Solid body has begun contact with this body; never reset.
	bool touched;
	/// The body's number, from 1 in the order the scene registered them; no
	/// two bodies of a run share one, so events can say which ball or sensor.
	int id = 0;
};

/// The BodyInfo a registered body carries, or null for a body the scene does not know.
BodyInfo* bodyInfoOf(b2Body* body);
