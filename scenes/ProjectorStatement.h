#pragma once

#include "scenes/SceneScript.h"

#include <string>
#include <vector>

/// Read the words of a scene file's projector statement,
///
///     projector DISTANCE TILT TURN [X Y] [size W H] [focal F] [latency N] [brightness B] [room R]
///
/// into `placement` (what is not given keeps its default). False with the
/// `reason` when a word is wrong.
bool parseProjectorStatement(const std::vector<std::string>& words, ProjectorPlacement& placement,
	std::string& reason);
