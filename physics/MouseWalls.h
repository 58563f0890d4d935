#pragma once

class PhysicsScene;

/// Where the stroke being drawn in "game" has got to, in game-image pixels;
/// x is -1 while no stroke is in progress. Each program keeps its own.
struct PenState
{
	int x = -1;
	int y = -1;

	bool inStroke() const { return x != -1; }
};

/// The mouse handler of "game": a left-button drag lays a wall from each mouse
/// position to the next one that differs by at least a pixel. A press starts
/// the stroke (or, if the release was lost, continues it), a release ends it.
/// Other buttons and moves with no stroke in progress do nothing.
void onGameMouse(PhysicsScene& scene, PenState& pen, int event, int x, int y);

/// A static slab 0.2 thick whose ends are exactly (x1, y1) and (x2, y2), world
/// units; the points must differ. Registered as Wall.
void createWallSegment(PhysicsScene& scene, float x1, float y1, float x2, float y2);
