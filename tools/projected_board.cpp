// projected_board: what the camera sees of a board lit by the projector, as
// the README shows it.
//
//     projected_board SCENE PASSES PICTURE.png
//
// Plays SCENE (which must hang a projector) headless in projector mode on a
// 1280 x 800 projector, measured first as at a first start, for PASSES passes,
// and writes the camera frame of the next pass, projected light and all. Reads
// the board, portal and camera files from Data/ in the current directory.

#include "app/Application.h"
#include "platform/HeadlessDisplay.h"
#include "platform/WholeFile.h"
#include "tools/ToolUsage.h"
#include "scenes/ScriptedBoardCamera.h"
#include "scenes/ScriptedInputDisplay.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
	const char* const usage = "usage: projected_board SCENE PASSES PICTURE.png\n"
							  "plays SCENE in projector mode and writes the camera frame after PASSES passes\n";
	if (printedHelp(argc, argv, usage))
	{
		return 0;
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
		std::fprintf(stderr, "projected_board: bad pass count \"%s\"\n", argv[2]);
		return 2;
	}
	const DataFiles files;
	std::string error;
	std::unique_ptr<ScriptedBoardCamera> camera = ScriptedBoardCamera::fromFiles(
		argv[1], files.cameraParam.c_str(), files.boardMarkers.c_str(), files.portalMarkers.c_str(), error);
	if (!camera || camera->projector() == nullptr)
	{
		std::fprintf(stderr, "%s\n", camera ? (std::string(argv[1]) + ": the scene hangs no projector").c_str()
											 : error.c_str());
		return 1;
	}
	ScriptedBoardCamera& lens = *camera;
	auto display = std::make_unique<ScriptedInputDisplay>(std::make_unique<HeadlessDisplay>(), camera->scene());
	lens.projector()->watch(*display);
	// Measured afresh, and not kept: the data's own calibration stays as it is.
	DataFiles measured = files;
	measured.projectorCalibration = (std::filesystem::temp_directory_path() / "projected_board.yml").string();
	Application app(std::move(camera), std::move(display), measured);
	app.useProjector(cv::Rect(1920, 0, 1280, 800));
	if (app.start() != 0)
	{
		return 1;
	}
	for (long pass = 0; pass < passes; ++pass)
	{
		app.runPass();
	}
	std::filesystem::remove(measured.projectorCalibration);
	cv::Mat frame;
	lens.read(frame);
	const std::error_code failure = writeWholeImage(argv[3], frame);
	if (failure)
	{
		std::fprintf(stderr, "%s: cannot write the picture: %s\n", argv[3], failure.message().c_str());
		return 1;
	}
	return 0;
}
