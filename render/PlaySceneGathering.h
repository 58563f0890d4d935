#pragma once

#include "core/ScoreKeeper.h"
#include "render/PlayScene.h"

class PhysicsScene;
class b2Body;

/// The id by which the score keeps a sensor (and a ball, for a caller that
/// has no steadier one): the body's address, which no other body takes
/// while the sensor stays.
ScoreKeeper::Id scoreId(const b2Body* body);

/// The game's pieces of `scene` into `play` (its lists replaced): the balls,
/// boxes and debris as they move, the sensors lit as `score` has them, the
/// portals and the mouse's planks. Bodies marked to go at the next flush are
/// left out, and so are the walls made from the drawing: the picture shows
/// their ink.
void gatherPlayPieces(const PhysicsScene& scene, const ScoreKeeper& score, PlayScene& play);

/// The score's part of the status at `now`, on the score's clock.
void fillScoreStatus(const ScoreKeeper& score, double now, PlayStatus& status);
