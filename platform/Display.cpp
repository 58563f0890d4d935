#include "platform/Display.h"

#include "platform/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

void Display::remember(const std::string& name, const cv::Mat& image)
{
	if (keptAsGiven.count(name) != 0)
	{
		shown[name] = image;
		return;
	}
	image.copyTo(shown[name]);
}

bool Display::writeSnapshots(const std::string& directory) const
{
	std::error_code error;
	std::filesystem::create_directories(directory, error);
	if (error)
	{
		std::fprintf(stderr, "cannot create snapshot folder \"%s\": %s\n", directory.c_str(),
			error.message().c_str());
		return false;
	}
	bool allWritten = true;
	for (const auto& [name, image] : shown)
	{
		const std::string path = directory + "/" + name + ".png";
		const std::error_code failure = writeWholeImage(path, image);
		if (failure)
		{
			std::fprintf(stderr, "cannot write snapshot \"%s\": %s\n", path.c_str(), failure.message().c_str());
			allWritten = false;
		}
	}
	return allWritten;
}
