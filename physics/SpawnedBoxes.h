#pragma once

class PhysicsScene;

/// Drop a 2 x 2 box at a random place above the board's right half: x in
/// [30, 40), y in [4, 40), world units, drawn from the scene's rng() (x first). It falls
/// into view. Registered as Solid, so it shatters and touches like a ball.
void spawnBox(PhysicsScene& scene);
