#pragma once

#include <box2d/b2_math.h>

/// Values fixed for the whole run.

/// The world advances by this much every pass, whatever the real time spent.
constexpr float timeStep = 1.0f / 60.0f;
constexpr int velocityIterations = 6;
constexpr int positionIterations = 2;

/// Size of the rectified board image and of the game canvas.
constexpr int boardWidth = 640;
constexpr int boardHeight = 480;

/// The longest a camera may take to show a projected picture, in passes
/// (half a second): beyond it the game and what the camera sees of it are
/// too far apart to play, and the calibration gives up looking for its pattern.
constexpr int longestLatencyPasses = 30;

/// A picture the projector shows in pass `shownPass` is first in the camera
/// frame read in the pass this returns: a pass reads its frame before it
/// shows its picture, and the camera is `latency` passes late on top.
constexpr int seenFromPass(int shownPass, int latency)
{
	return shownPass + 1 + latency;
}

/// Gravity of the world, in metres per second squared.
inline b2Vec2 defaultGravity()
{
	return b2Vec2(0.0f, -10.0f);
}
