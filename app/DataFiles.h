#pragma once

#include "tracking/TrackerFiles.h"

#include <string>

/// Where the program reads its input files: every path is inside one data
/// directory, laid out as the project's top directory is. Outputs are written
/// to the working directory whatever this says.
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
	/// The user's own black and yellow, learned by the template tool (--inks).
	std::string ownInks;
	std::string demoScene;
	/// Camera to projector, written by the projector's calibration.
	std::string projectorCalibration;

	/// What the marker tracker starts from.
	TrackerFiles tracker() const { return {videoConfig, cameraParam, boardMarkers, portalMarkers}; }
};

/// The data directory to use: the one asked for; else the working directory
/// when it has a Data folder; else `shipped` when that has one (the data an
/// installed program carries); else the working directory, whose missing
/// files are then named by the start-up messages.
std::string chooseDataDirectory(const std::string& requested, const std::string& shipped);

bool isDirectory(const std::string& path);

/// The shipped data of an installed program: share/drawtable next to the bin
/// folder the running executable is in. Empty when that cannot be told.
std::string shippedDataDirectory();
