#pragma once

#include <string>

/// The files the marker tracker starts from, relative to the working
/// directory unless they are absolute.
struct TrackerFiles
{
	/// The video configuration; a backslash in it separates folders, as on
	/// the platform the name was first written for.
	std::string videoConfig = "Data\\WDM_camera_flipV.xml";
	/// Camera parameters in the marker tracker's binary layout.
	std::string cameraParam = "Data/camera_para.dat";
	/// The board's and the portal card's marker sets.
	std::string boardMarkers = "Data/markers/marker.dat";
	std::string portalMarkers = "Data/markers/portal.dat";
};
