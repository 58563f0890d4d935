#include "physics/PortalContactListener.h"

void PortalContactListener::BeginContact(b2Contact* contact)
{
	// Sensor and portal reactions arrive with the play features; until then
	// contacts only collide.
	(void)contact;
}
