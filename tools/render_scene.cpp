// render_scene: the frames a scene shows the synthetic camera, as an image
// sequence that the program can play with --source file:DIR/%04d.png.
//
//     render_scene SCENE PASSES DIRECTORY
//
// Writes DIRECTORY/0000.png (pass 1) to the frame of pass PASSES, reading the
// board, portal and camera files from Data/ in the current directory. The
// scene's keys and clicks are not in the frames, nor a projector's light.

#include "platform/WholeFile.h"
#include "tools/SceneTool.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
	const char* const usage = "usage: render_scene SCENE PASSES DIRECTORY\n"
							  "writes the frames of passes 1 to PASSES of SCENE as DIRECTORY/0000.png ...\n";
	SceneToolStart start;
	int status = 0;
	if (!startSceneTool("render_scene", argc, argv, usage, start, status))
	{
		return status;
	}
	const long passes = start.passes;
	ScriptedBoardCamera& camera = *start.camera;
	const std::string& directory = start.output;
	std::error_code made;
	std::filesystem::create_directories(directory, made);
	char name[32];
	for (int pass = 1; pass <= passes; ++pass)
	{
		std::snprintf(name, sizeof name, "/%04d.png", pass - 1);
		const std::error_code failure = writeWholeImage(directory + name, camera.frameOfPass(pass));
		if (failure)
		{
			std::fprintf(stderr, "%s%s: cannot write the frame: %s\n", directory.c_str(), name,
				failure.message().c_str());
			return 1;
		}
	}
	if (camera.inLinearLight())
	{
		// The sensor takes every frame anew from the states rendered.
		std::printf("%ld frames in linear light, from %zu states rendered\n", passes, camera.renderedFrames());
	}
	else
	{
		std::printf("%ld frames, %zu of them different\n", passes, camera.renderedFrames());
	}
	return 0;
}
