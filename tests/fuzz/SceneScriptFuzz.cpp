#include "scenes/SceneScript.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	SceneScript script;
	std::string error;
	if (!parseSceneScript(std::string(reinterpret_cast<const char*>(data), size), "fuzz.scene", script, error))
	{
		return 0;
	}
	// A scene that was accepted must be playable from its first pass on.
	for (int pass = 1; pass <= 3; ++pass)
	{
		script.stateAt(pass);
		script.inputsAt(pass);
		script.cameraAt(pass);
	}
	for (const SceneCue& cue : script.cues)
	{
		script.stateAt(cue.pass);
		script.cameraAt(cue.pass + cue.over / 2);
	}
	script.inLinearLight();
	return 0;
}
