#pragma once

#include <opencv2/core/types.hpp>

#include <string>

/// Read the frame size from a video configuration: an XML file in OpenCV's
/// storage layout whose elements <width> and <height> hold whole numbers from
/// 1 to 100000. Declarations, comments and other elements are skipped.
/// Read by hand rather than by cv::FileStorage, whose parser crashes on some
/// damaged files. On failure `error` is one line naming the file (and the
/// line, where there is one) and false is returned.
bool readVideoConfig(const std::string& path, cv::Size& size, std::string& error);

/// The file that a video configuration's name stands for. The name was first
/// written where a backslash separates folders, so "Data\\WDM_camera_flipV.xml"
/// is the file WDM_camera_flipV.xml in the folder Data: that file when it
/// exists; else a file whose name holds the backslash itself, as data folders
/// made before kept it; else the folder path again, for the caller's message.
std::string videoConfigPath(const std::string& name);
