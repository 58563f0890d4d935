#include "Folders.h"

#include <filesystem>

namespace fs = std::filesystem;

void enterSourceFolder()
{
	fs::current_path(DRAWTABLE_SOURCE_DIR);
}

void enterScratchFolder(bool withVideo)
{
	const fs::path folder = fs::temp_directory_path() / (withVideo ? "drawtable_bench_video" : "drawtable_bench");
	fs::remove_all(folder);
	fs::create_directories(withVideo ? folder / "video" : folder);
	fs::current_path(folder);
}
