#include "scenes/SceneStatements.h"

namespace
{

/// view DISTANCE TILT TURN [X Y]
bool readView(StatementReader& in, SceneBeingRead& scene)
{
	CameraView view;
	if (!readCameraPlace(in, view) || !in.end())
	{
		return false;
	}
	scene.script.views.assign(1, view);
	return true;
}

}  // namespace

bool readCameraPlace(StatementReader& in, CameraView& place)
{
	// Tilted up to 80 degrees, beyond which the board is seen nearly edge on;
	// the board point within ten metres of the board's middle.
	return in.number("DISTANCE", 1.0, 1e5, place.distance) && in.number("TILT", -80.0, 80.0, place.tilt)
		&& in.number("TURN", -360.0, 360.0, place.turn)
		&& (!in.nextIsNumber() || (in.number("X", -1e4, 1e4, place.target.x) && in.number("Y", -1e4, 1e4, place.target.y)));
}

const std::vector<SceneStatement>& viewStatements()
{
	static const std::vector<SceneStatement> statements = {{"view", readView}};
	return statements;
}
