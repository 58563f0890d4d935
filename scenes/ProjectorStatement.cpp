#include "core/FixedValues.h"
#include "scenes/SceneStatements.h"

namespace
{

/// projector DISTANCE TILT TURN [X Y] [size W H] [focal F] [latency N] [brightness B] [room R] [honest] [jitter P]
bool readProjector(StatementReader& in, SceneBeingRead& scene)
{
	if (scene.script.hasProjector)
	{
		return in.fail("a second projector");
	}
	ProjectorPlacement placement;
	const bool read = readCameraPlace(in, placement.view)
		&& in.options({
			{"size",
				[&] {
					return in.whole("W", 160, 8192, placement.size.width)
						&& in.whole("H", 120, 8192, placement.size.height);
				}},
			{"focal", [&] { return in.number("F", 10.0, 1e5, placement.focal); }},
			{"latency", [&] { return in.whole("N", 0, longestLatencyPasses, placement.latency); }},
			{"brightness", [&] { return in.number("B", 1.0, 255.0, placement.brightness); }},
			{"room", [&] { return in.number("R", 0.05, 1.0, placement.room); }},
			{"honest", [&] { return placement.honest = true; }},
			{"jitter", [&] { return in.number("P", 0.0, 1.0, placement.jitter); }},
		});
	if (!read)
	{
		return false;
	}
	scene.script.projector = placement;
	scene.script.hasProjector = true;
	return true;
}

}  // namespace

const std::vector<SceneStatement>& projectorStatements()
{
	static const std::vector<SceneStatement> statements = {{"projector", readProjector}};
	return statements;
}
