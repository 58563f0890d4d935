#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

/// A printed marker: an ArUco code of one of OpenCV's predefined dictionaries.
struct MarkerPattern
{
	/// OpenCV's predefined dictionary number (DICT_4X4_50 is 0).
	int dictionary = -1;
	int id = -1;
};

/// One marker of a set, as its configuration file places it.
struct ARMultiEachMarkerInfoT
{
	/// Index in the tracker's pattern table; -1 until the tracker knows it.
	int patt_id = -1;
	MarkerPattern pattern;
	/// Side length of the printed code, millimetres.
	double width = 0.0;
	/// Centre of the code in the marker's own frame.
	double center[2] = {0.0, 0.0};
	/// Marker frame to set frame (x right, y up, z out of the paper).
	double trans[3][4] = {};
	/// The four corners in set coordinates, in the order the detector reports
	/// them: the code's top-left, top-right, bottom-right, bottom-left.
	double pos3d[4][3] = {};
	/// Index of the detected marker used in the last pose, or -1.
	int visible = -1;
};

/// A rigid set of markers: a board or a card.
struct ARMultiMarkerInfoT
{
	std::vector<ARMultiEachMarkerInfoT> marker;
	int marker_num = 0;
	/// Pose of the last arMultiGetTransMat: set frame to camera frame (x right,
	/// y down, z forward).
	double trans[3][4] = {};
	/// 1 when the last pose was found.
	int prevF = 0;
};

/// Read a multi-marker configuration: after '#' comment lines, the marker
/// count, then per marker its name ("aruco 4X4_50 3"), side length, centre and
/// three rows of its transform. On failure `error` holds one line naming the
/// file and line, and false is returned.
bool readMultiMarkerConfig(const std::string& path, ARMultiMarkerInfoT& set, std::string& error);

/// The dictionary number of a name such as "4X4_50", or -1.
int markerDictionaryByName(const std::string& name);

/// The printed code, one pixel per cell including its one-cell black border:
/// 0 for black, 255 for white.
cv::Mat markerCells(const MarkerPattern& pattern);
