#pragma once

#include "app/DataFiles.h"
#include "scenes/ScriptedBoardCamera.h"
#include "tools/ToolUsage.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

/// What the tools that play a scene (render_scene, projected_board) start
/// from: their command line, SCENE PASSES OUTPUT, and the scene played by the
/// synthetic camera with the board, portal and camera files of Data/ in the
/// working directory.
struct SceneToolStart
{
	long passes = 0;
	std::string output;
	DataFiles files;
	std::unique_ptr<ScriptedBoardCamera> camera;
};

/// Read the command line of the tool `tool` and open its scene. True with
/// `start` filled; false with the `status` to end with: 0 once --help printed
/// `usage` or --version the version, 2 after the usage or a line naming an
/// unknown option or a bad pass count (1 to 100000), 1 after a line saying
/// why the scene cannot be played.
inline bool startSceneTool(const char* tool, int argc, char** argv, const char* usage, SceneToolStart& start, int& status)
{
	if (answeredHelpOrVersion(argc, argv, usage))
	{
		status = 0;
		return false;
	}
	if (const char* option = unknownOption(argc, argv))
	{
		status = refuseOption(argv[0], option);
		return false;
	}
	if (argc != 4)
	{
		std::fputs(usage, stderr);
		status = 2;
		return false;
	}
	char* end = nullptr;
	start.passes = std::strtol(argv[2], &end, 10);
	if (*end != '\0' || start.passes < 1 || start.passes > 100000)
	{
		std::fprintf(stderr, "%s: bad pass count \"%s\"\n", tool, argv[2]);
		status = 2;
		return false;
	}
	start.output = argv[3];
	std::string error;
	start.camera = ScriptedBoardCamera::fromFiles(argv[1], start.files.cameraParam.c_str(),
		start.files.boardMarkers.c_str(), start.files.portalMarkers.c_str(), error);
	if (!start.camera)
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		status = 1;
		return false;
	}
	return true;
}
