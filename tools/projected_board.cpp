// projected_board: what the camera sees of a board lit by the projector, as
// docs/projector.md shows it.
//
//     projected_board SCENE PASSES PICTURE.png
//
// Plays SCENE (which must hang a projector) headless in projector mode on a
// 1280 x 800 projector, measured first as at a first start, for PASSES passes,
// and writes the camera frame of the next pass, projected light and all. Reads
// the board, portal and camera files from Data/ in the current directory. The
// calibration is kept in a folder of its own in TMPDIR (or /tmp), made for
// the run and removed after it: runs side by side, and leftovers, never share one.

#include "app/Application.h"
#include "platform/HeadlessDisplay.h"
#include "platform/WholeFile.h"
#include "scenes/ScriptedInputDisplay.h"
#include "tools/SceneTool.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace
{

const char* const usage =
	"usage: projected_board SCENE PASSES PICTURE.png\n"
	"  plays SCENE (with a projector statement) headless on a 1280 x 800 projector,\n"
	"  measured first, for PASSES passes, and writes the camera's next frame as\n"
	"  PICTURE.png; the data files come from Data/ here, the calibration is kept in\n"
	"  a folder of its own in TMPDIR (or /tmp) and removed at the end\n";

/// A folder only this run uses, made in TMPDIR (or /tmp when it is not set)
/// and removed with what is in it when the run ends.
class PrivateFolder
{
public:
	/// Empty `path()` after a one-line `error` when it cannot be made.
	explicit PrivateFolder(std::string& error)
	{
		const char* tmpdir = std::getenv("TMPDIR");
		const std::string parent = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
		std::string pattern = parent + "/projected_board.XXXXXX";
		if (::mkdtemp(pattern.data()) == nullptr)
		{
			error = "projected_board: cannot make a folder of its own in " + parent
				+ (tmpdir != nullptr && *tmpdir != '\0' ? " (TMPDIR)" : "") + ": " + std::strerror(errno);
			return;
		}
		folder = pattern;
	}

	~PrivateFolder()
	{
		if (!folder.empty())
		{
			std::error_code ignored;
			std::filesystem::remove_all(folder, ignored);
		}
	}

	PrivateFolder(const PrivateFolder&) = delete;
	PrivateFolder& operator=(const PrivateFolder&) = delete;

	const std::string& path() const { return folder; }

private:
	std::string folder;
};

}  // namespace

int main(int argc, char** argv)
{
	SceneToolStart start;
	int status = 0;
	if (!startSceneTool("projected_board", argc, argv, usage, start, status))
	{
		return status;
	}
	if (start.camera->projector() == nullptr)
	{
		std::fprintf(stderr, "%s: the scene hangs no projector\n", argv[1]);
		return 1;
	}
	std::string error;
	// Measured afresh, and not kept: the data's own calibration stays as it is.
	const PrivateFolder scratch(error);
	if (scratch.path().empty())
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return 1;
	}
	std::unique_ptr<ScriptedBoardCamera> camera = std::move(start.camera);
	ScriptedBoardCamera& lens = *camera;
	auto display = std::make_unique<ScriptedInputDisplay>(std::make_unique<HeadlessDisplay>(), camera->scene());
	lens.projector()->watch(*display);
	DataFiles measured = start.files;
	measured.projectorCalibration = scratch.path() + "/projector.yml";
	Application app(std::move(camera), std::move(display), measured);
	app.useProjector(cv::Rect(1920, 0, 1280, 800));
	if (app.start() != 0)
	{
		return 1;
	}
	for (long pass = 0; pass < start.passes; ++pass)
	{
		app.runPass();
	}
	cv::Mat frame;
	lens.read(frame);
	const std::error_code failure = writeWholeImage(start.output, frame);
	if (failure)
	{
		std::fprintf(stderr, "%s: cannot write the picture: %s\n", start.output.c_str(), failure.message().c_str());
		return 1;
	}
	return 0;
}
