#pragma once

#include "platform/UserFolders.h"
#include "tracking/TrackerFiles.h"

#include <ctime>
#include <string>
#include <system_error>

/// The names of the files of the user's own, in a data directory (the camera
/// file inside its Data/ folder) or flat in the user's data folder.
constexpr const char* cameraFileName = "camera_para.dat";
constexpr const char* blackTemplateName = "circleExample.txt";
constexpr const char* yellowTemplateName = "circleExampleYellow.txt";
constexpr const char* inksFileName = "inks.txt";
constexpr const char* projectorFileName = "projector.yml";

/// Where the program reads its input files: every path is inside one data
/// directory, laid out as the project's top directory is, except the user's
/// own files in the user's layout (userDataFiles).
struct DataFiles
{
	/// An empty directory is the working directory: the paths are then exactly
	/// the relative names the program has always used.
	explicit DataFiles(const std::string& directory = "");

	std::string directory;
	std::string cameraParam;
	std::string boardMarkers;
	std::string portalMarkers;
	/// The video configuration, named as the marker tracker takes it: the
	/// backslash separates folders (see videoConfigPath).
	std::string videoConfig;
	std::string blackTemplate;
	std::string yellowTemplate;
	/// The shipped templates, read when the two above cannot be; empty when
	/// those are the data directory's own.
	std::string shippedBlackTemplate;
	std::string shippedYellowTemplate;
	/// The user's own black and yellow, learned by the template tool (--inks).
	std::string ownInks;
	std::string demoScene;
	/// Camera to projector, read at start and written by the projector's
	/// calibration.
	std::string projectorCalibration;

	/// What the marker tracker starts from.
	TrackerFiles tracker() const { return {videoConfig, cameraParam, boardMarkers, portalMarkers}; }
};

/// The installed program's files: those of the data directory `shipped`, but
/// the user's own (the camera's calibration, the circle templates, the inks
/// and the projector's measurement) from `userFolder` where the user has them,
/// flat in it under their usual names; the projector's measurement is always
/// the user's, where it is written.
DataFiles userDataFiles(const std::string& shipped, const std::string& userFolder);

/// Where a run reads its files and puts what it makes.
struct FilePlaces
{
	DataFiles data;
	/// The user's data folder, where what the user makes goes: the projector's
	/// measurement, and what the tools write by default. Empty when the run
	/// keeps to the working folder's layout, where every file is named as it
	/// always was.
	std::string userData;
	/// The folders that take screenshots and recordings under time-stamped
	/// names; empty: the working folder, under fixed names.
	std::string pictures;
	std::string videos;

	/// True in the user's layout.
	bool isUsers() const { return !userData.empty(); }

	/// Where a tool writes the user's files when not told, ending in '/': in
	/// the user's layout the user's data folder, made when missing (a failure
	/// said in one line, and left to each file's writing to meet again);
	/// otherwise empty, the working folder.
	std::string toolFolder() const;

	/// The folder a recording started at `now` goes into: "video" of the
	/// working folder, or a new one in the user's videos folder,
	/// "drawtable-2025-01-30-141502".
	std::string recordingFolder(std::time_t now) const;

	/// Make the user's data folder, with the folders it is in, when it is
	/// not there yet; nothing in the working folder's layout.
	std::error_code makeUserData() const;
};

/// The working folder's layout when a data directory is `requested` (--data)
/// or the working folder holds Data/, as a developer, the tests and the demo
/// run; else the user's: the data directory chosen as chooseDataDirectory
/// does, the user's own files first (userDataFiles), screenshots and
/// recordings into the user's pictures and videos folders. Without a home
/// folder, the working folder's.
FilePlaces chooseFilePlaces(const std::string& requested, const std::string& shipped, const UserFolders& user);

/// The data directory to use: the one asked for; else the working directory
/// when it has a Data folder; else `shipped` when that has one (the data an
/// installed program carries); else the working directory, whose missing
/// files are then named by the start-up messages.
std::string chooseDataDirectory(const std::string& requested, const std::string& shipped);

bool isDirectory(const std::string& path);

/// The shipped data of an installed program: share/drawtable next to the bin
/// folder the running executable is in. Empty when that cannot be told.
std::string shippedDataDirectory();
