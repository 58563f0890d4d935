#include "tracking/BoardScanner.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{

/// The recorder writes here and never creates it: no folder, no recording.
const char* const recordFolder = "video";

/// A failing folder is mentioned once per run, not on every pass.
bool folderTroubleReported = false;

void reportFolderTrouble()
{
	if (folderTroubleReported)
	{
		return;
	}
	folderTroubleReported = true;
	std::error_code error;
	if (std::filesystem::is_directory(recordFolder, error))
	{
		std::fprintf(stderr, "cannot write frames into folder \"%s\"; frames are not recorded\n", recordFolder);
	}
	else
	{
		std::fprintf(stderr, "no folder \"%s\" here; frames are not recorded\n", recordFolder);
	}
}

/// Write one frame. An empty image (no camera frame yet) is skipped quietly;
/// imwrite would throw on it.
void writeFrame(const std::string& path, const cv::Mat& image)
{
	if (image.empty())
	{
		return;
	}
	bool written = false;
	try
	{
		written = cv::imwrite(path, image);
	}
	catch (const cv::Exception&)
	{
		written = false;
	}
	if (!written)
	{
		reportFolderTrouble();
	}
}

}  // namespace

void BoardScanner::recordFrame()
{
	// Both files of a pass carry the same number; the number advances even
	// when nothing could be written.
	const std::string number = std::to_string(recordIndex);
	writeFrame(std::string(recordFolder) + "/raw" + number + ".png", motionFrame);
	writeFrame(std::string(recordFolder) + "/game" + number + ".png", cameraFrame);
	recordIndex += 1;
}
