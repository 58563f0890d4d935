#include "app/DataFiles.h"

#include <filesystem>
#include <system_error>

namespace
{

std::string inside(const std::string& directory, const std::string& name)
{
	if (directory.empty())
	{
		return name;
	}
	return directory.back() == '/' ? directory + name : directory + "/" + name;
}

bool hasDataFolder(const std::string& directory)
{
	return isDirectory(inside(directory, "Data"));
}

}  // namespace

bool isDirectory(const std::string& path)
{
	std::error_code error;
	return std::filesystem::is_directory(path, error);
}

DataFiles::DataFiles(const std::string& directory)
	: directory(directory),
	  cameraParam(inside(directory, "Data/camera_para.dat")),
	  boardMarkers(inside(directory, "Data/markers/marker.dat")),
	  portalMarkers(inside(directory, "Data/markers/portal.dat")),
	  videoConfig(inside(directory, "Data\\WDM_camera_flipV.xml")),
	  blackTemplate(inside(directory, "circleExample.txt")),
	  yellowTemplate(inside(directory, "circleExampleYellow.txt")),
	  ownInks(inside(directory, "inks.txt")),
	  demoScene(inside(directory, "Data/scenes/demo.scene")),
	  projectorCalibration(inside(directory, "Data/projector.yml"))
{
}

std::string chooseDataDirectory(const std::string& requested, const std::string& shipped)
{
	if (!requested.empty())
	{
		return requested;
	}
	if (!hasDataFolder("") && !shipped.empty() && hasDataFolder(shipped))
	{
		return shipped;
	}
	return "";
}

std::string shippedDataDirectory()
{
	std::error_code error;
	const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
	if (error || !executable.has_parent_path())
	{
		return "";
	}
	return (executable.parent_path().parent_path() / "share" / "drawtable").string();
}
