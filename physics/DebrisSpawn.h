#pragma once

#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>

/// One debris body waiting for the next flush: the definitions are copied by
/// value; the fixture's shape is not used, the flush supplies a fresh box.
struct DebrisSpawn
{
	b2BodyDef bodyDef;
	b2FixtureDef fixtureDef;
};
