// Where the user's files are: the desktop's conventions for the data,
// pictures and videos folders, the layout a run chooses from where it is
// started, and names that never write over a file.

#include "FreshFolder.h"

#include "app/DataFiles.h"
#include "platform/TimeStampedName.h"
#include "platform/UserFolders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace
{

namespace fs = std::filesystem;

using Folders = InFreshFolder;

void writeText(const fs::path& path, const std::string& text)
{
	fs::create_directories(path.parent_path());
	std::ofstream(path) << text;
}

TEST_F(Folders, FollowTheDesktopsConventions)
{
	struct Case
	{
		const char* what;
		/// Set besides HOME; "~" stands for the home folder.
		std::map<std::string, std::string> environment;
		/// Written as user-dirs.dirs of the config folder, when not empty.
		std::string userDirs;
		/// Folders made in the home folder.
		std::vector<std::string> made;
		std::string data, pictures, videos;
	};
	const Case cases[] = {
		{"nothing set, no folders: the home folder", {}, "", {}, "~/.local/share/drawtable", "~", "~"},
		{"the usual folders", {}, "", {"Pictures", "Videos"}, "~/.local/share/drawtable", "~/Pictures", "~/Videos"},
		{"the data home set", {{"XDG_DATA_HOME", "~/data/"}}, "", {}, "~/data/drawtable", "~", "~"},
		{"a relative data home is ignored", {{"XDG_DATA_HOME", "data"}}, "", {}, "~/.local/share/drawtable", "~", "~"},
		{"user-dirs.dirs names them", {}, "# written by a tool\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
			"  XDG_VIDEOS_DIR=\"/media/films/\"\n", {"Pictures"}, "~/.local/share/drawtable", "~/Bilder", "/media/films"},
		{"from the config home set", {{"XDG_CONFIG_HOME", "~/conf"}}, "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n", {},
			"~/.local/share/drawtable", "~", "~/Filme"},
		{"$HOME/ itself, and the last setting wins", {}, "XDG_PICTURES_DIR=\"$HOME/Old\"\nXDG_PICTURES_DIR=\"$HOME/\"\n",
			{"Pictures"}, "~/.local/share/drawtable", "~", "~"},
		{"forms the file may not take", {}, "XDG_PICTURES_DIR=$HOME/Bare\nXDG_VIDEOS_DIR=\"Films\"\n"
			"#XDG_PICTURES_DIR=\"/commented\"\nXDG_PICTURES_DIRS=\"/other\"\n", {"Pictures"},
			"~/.local/share/drawtable", "~/Pictures", "~"},
	};
	int number = 0;
	for (const Case& test : cases)
	{
		SCOPED_TRACE(test.what);
		const std::string home = (folder / ("home" + std::to_string(number++))).string();
		const auto expand = [&home](const std::string& path) {
			return path.compare(0, 1, "~") == 0 ? home + path.substr(1) : path;
		};
		std::map<std::string, std::string> environment{{"HOME", home}};
		for (const auto& [name, value] : test.environment)
		{
			environment[name] = expand(value);
		}
		fs::create_directories(home);
		for (const std::string& made : test.made)
		{
			fs::create_directories(home + "/" + made);
		}
		if (!test.userDirs.empty())
		{
			const bool configSet = environment.count("XDG_CONFIG_HOME") > 0;
			writeText((configSet ? environment["XDG_CONFIG_HOME"] : home + "/.config") + "/user-dirs.dirs", test.userDirs);
		}
		const UserFolders found = findUserFolders([&environment](const char* name) -> const char* {
			const auto value = environment.find(name);
			return value == environment.end() ? nullptr : value->second.c_str();
		});
		EXPECT_EQ(found.home, home);
		EXPECT_EQ(found.data, expand(test.data));
		EXPECT_EQ(found.pictures, expand(test.pictures));
		EXPECT_EQ(found.videos, expand(test.videos));
	}
}

/// The user's folders below `home`, as findUserFolders gives them.
UserFolders usersBelow(const fs::path& home)
{
	return {home.string(), (home / ".local/share/drawtable").string(), (home / "Pictures").string(),
		(home / "Videos").string()};
}

TEST_F(Folders, StartedAwayFromDataTheUsersOwnFilesComeFirst)
{
	const std::string shipped = (folder / "share").string();
	fs::create_directories(shipped + "/Data");
	const UserFolders user = usersBelow(folder / "home");
	FilePlaces places = chooseFilePlaces("", shipped, user);
	ASSERT_TRUE(places.isUsers());
	EXPECT_EQ(places.data.cameraParam, shipped + "/Data/camera_para.dat");
	EXPECT_EQ(places.data.blackTemplate, shipped + "/circleExample.txt");
	EXPECT_EQ(places.data.boardMarkers, shipped + "/Data/markers/marker.dat");
	// Measured by the program, so always the user's.
	EXPECT_EQ(places.data.projectorCalibration, user.data + "/projector.yml");
	EXPECT_EQ(places.pictures, user.pictures);
	EXPECT_FALSE(fs::exists(user.data));
	EXPECT_FALSE(places.makeUserData());
	EXPECT_TRUE(fs::is_directory(user.data));

	for (const char* name : {"camera_para.dat", "circleExample.txt", "inks.txt"})
	{
		writeText(user.data + "/" + name, "mine");
	}
	places = chooseFilePlaces("", shipped, user);
	EXPECT_EQ(places.data.cameraParam, user.data + "/camera_para.dat");
	EXPECT_EQ(places.data.blackTemplate, user.data + "/circleExample.txt");
	EXPECT_EQ(places.data.ownInks, user.data + "/inks.txt");
	// The user made no yellow template: the shipped one, which is also where
	// each template falls back to.
	EXPECT_EQ(places.data.yellowTemplate, shipped + "/circleExampleYellow.txt");
	EXPECT_EQ(places.data.shippedBlackTemplate, shipped + "/circleExample.txt");
	EXPECT_EQ(places.toolFolder(), user.data + "/");

	// Recordings: a new folder in the videos folder for each run.
	const std::time_t now = 1738246502;
	const std::string recording = user.videos + "/drawtable-" + timeStamp(now);
	EXPECT_EQ(places.recordingFolder(now), recording);
	fs::create_directories(recording);
	EXPECT_EQ(places.recordingFolder(now), recording + "-2");
}

TEST_F(Folders, AFolderWithDataOrDataAskedForKeepsTheWorkingFoldersLayout)
{
	const UserFolders user = usersBelow(folder / "home");
	fs::create_directories(folder / "table/Data");
	// --data: read there, saved here under the fixed names.
	FilePlaces places = chooseFilePlaces("table", "", user);
	EXPECT_FALSE(places.isUsers());
	EXPECT_EQ(places.data.cameraParam, "table/Data/camera_para.dat");
	EXPECT_EQ(places.data.projectorCalibration, "table/Data/projector.yml");
	EXPECT_TRUE(places.data.shippedBlackTemplate.empty());
	EXPECT_TRUE(places.pictures.empty());
	EXPECT_EQ(places.recordingFolder(0), "video");
	EXPECT_FALSE(places.makeUserData());
	EXPECT_FALSE(fs::exists(user.data));
	// Started where Data/ is, the developer's, the tests' and the demo's way.
	fs::create_directories("Data");
	places = chooseFilePlaces("", "table", user);
	EXPECT_FALSE(places.isUsers());
	EXPECT_EQ(places.data.cameraParam, "Data/camera_para.dat");
	EXPECT_EQ(places.data.blackTemplate, "circleExample.txt");
	// No home folder known: nowhere else to go.
	fs::remove("Data");
	EXPECT_FALSE(chooseFilePlaces("", "table", UserFolders()).isUsers());
}

TEST_F(Folders, TimeStampedNamesNeverTakeANameInUse)
{
	EXPECT_EQ(timeStamp(0).size(), std::string("1970-01-01-000000").size());
	EXPECT_LT(timeStamp(1738246502), timeStamp(1738246503));
	EXPECT_EQ(unusedName("shot", ".png"), "shot.png");
	std::ofstream("shot.png") << "a file";
	fs::create_directory("shot-2.png");
	fs::create_symlink("nowhere", "shot-3.png");  // a dangling link holds its name too
	EXPECT_EQ(unusedName("shot", ".png"), "shot-4.png");
	EXPECT_EQ(unusedName("shot"), "shot");
}

}  // namespace
