#include "app/DataFiles.h"

#include "platform/TimeStampedName.h"

#include <cstdio>
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

/// `path` made the file `name` of `folder` when the user has that file.
void preferUsers(std::string& path, const std::string& folder, const char* name)
{
	const std::string users = inside(folder, name);
	std::error_code error;
	if (std::filesystem::exists(users, error))
	{
		path = users;
	}
}

}  // namespace

bool isDirectory(const std::string& path)
{
	std::error_code error;
	return std::filesystem::is_directory(path, error);
}

DataFiles::DataFiles(const std::string& directory)
	: directory(directory),
	  cameraParam(inside(directory, std::string("Data/") + cameraFileName)),
	  boardMarkers(inside(directory, "Data/markers/marker.dat")),
	  portalMarkers(inside(directory, "Data/markers/portal.dat")),
	  videoConfig(inside(directory, "Data\\WDM_camera_flipV.xml")),
	  blackTemplate(inside(directory, blackTemplateName)),
	  yellowTemplate(inside(directory, yellowTemplateName)),
	  ownInks(inside(directory, inksFileName)),
	  demoScene(inside(directory, "Data/scenes/demo.scene")),
	  projectorCalibration(inside(directory, std::string("Data/") + projectorFileName))
{
}

DataFiles userDataFiles(const std::string& shipped, const std::string& userFolder)
{
	DataFiles files(shipped);
	files.shippedBlackTemplate = files.blackTemplate;
	files.shippedYellowTemplate = files.yellowTemplate;
	preferUsers(files.cameraParam, userFolder, cameraFileName);
	preferUsers(files.blackTemplate, userFolder, blackTemplateName);
	preferUsers(files.yellowTemplate, userFolder, yellowTemplateName);
	preferUsers(files.ownInks, userFolder, inksFileName);
	files.projectorCalibration = inside(userFolder, projectorFileName);
	return files;
}

FilePlaces chooseFilePlaces(const std::string& requested, const std::string& shipped, const UserFolders& user)
{
	const std::string directory = chooseDataDirectory(requested, shipped);
	if (!requested.empty() || hasDataFolder("") || user.data.empty())
	{
		return FilePlaces{DataFiles(directory), "", "", ""};
	}
	return FilePlaces{userDataFiles(directory, user.data), user.data, user.pictures, user.videos};
}

std::string FilePlaces::recordingFolder(std::time_t now) const
{
	return isUsers() ? unusedName(inside(videos, "drawtable-") + timeStamp(now)) : "video";
}

std::error_code FilePlaces::makeUserData() const
{
	std::error_code error;
	if (isUsers() && !isDirectory(userData))
	{
		std::filesystem::create_directories(userData, error);
	}
	return error;
}

std::string FilePlaces::toolFolder() const
{
	if (!isUsers())
	{
		return "";
	}
	if (const std::error_code failure = makeUserData())
	{
		std::fprintf(stderr, "cannot make the folder %s: %s\n", userData.c_str(), failure.message().c_str());
	}
	return userData + "/";
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
