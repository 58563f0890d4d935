// render_scene: the frames a scene shows the synthetic camera, as an image
// sequence that the program can play with --source file:DIR/%04d.png.
//
//     render_scene SCENE PASSES DIRECTORY
//
// Writes DIRECTORY/0000.png (pass 1) to the frame of pass PASSES, reading the
// board, portal and camera files from Data/ in the current directory. The
// scene's keys and clicks are not in the frames, nor a projector's light.

#include "platform/WholeFile.h"
#include "tools/ToolUsage.h"
#include "scenes/ScriptedBoardCamera.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
	const char* const usage = "usage: render_scene SCENE PASSES DIRECTORY\n"
							  "writes the frames of passes 1 to PASSES of SCENE as DIRECTORY/0000.png ...\n";
	if (answeredHelpOrVersion(argc, argv, usage))
	{
		return 0;
	}
	if (const char* option = unknownOption(argc, argv))
	{
		return refuseOption(argv[0], option);
	}
	if (argc != 4)
	{
		std::fputs(usage, stderr);
		return 2;
	}
	char* end = nullptr;
	const long passes = std::strtol(argv[2], &end, 10);
	if (*end != '\0' || passes < 1 || passes > 100000)
	{
		std::fprintf(stderr, "render_scene: bad pass count \"%s\"\n", argv[2]);
		return 2;
	}
	std::string error;
	std::unique_ptr<ScriptedBoardCamera> camera = ScriptedBoardCamera::fromFiles(
		argv[1], "Data/camera_para.dat", "Data/markers/marker.dat", "Data/markers/portal.dat", error);
	if (!camera)
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return 1;
	}
	const std::string directory = argv[3];
	std::error_code made;
	std::filesystem::create_directories(directory, made);
	char name[32];
	for (int pass = 1; pass <= passes; ++pass)
	{
		std::snprintf(name, sizeof name, "/%04d.png", pass - 1);
		const std::error_code failure = writeWholeImage(directory + name, camera->frameOfPass(pass));
		if (failure)
		{
			std::fprintf(stderr, "%s%s: cannot write the frame: %s\n", directory.c_str(), name,
				failure.message().c_str());
			return 1;
		}
	}
	if (camera->inLinearLight())
	{
		// The sensor takes every frame anew from the states rendered.
		std::printf("%ld frames in linear light, from %zu states rendered\n", passes, camera->renderedFrames());
	}
	else
	{
		std::printf("%ld frames, %zu of them different\n", passes, camera->renderedFrames());
	}
	return 0;
}
