#pragma once

#include <opencv2/core/types.hpp>

#include <string>
#include <vector>

/// The points of a circle template file: decimal integers separated by white
/// space, first the point count, then that many x y pairs in board pixels.
/// A count of 0 or less gives no points. A file that cannot be opened, has no
/// count, or ends or breaks before its last pair gives no points and one line
/// on standard error naming the file and what is wrong.
std::vector<cv::Point> loadTemplatePoints(const std::string& name);

/// Points in that format, one pair a line.
std::string templatePointsText(const std::vector<cv::Point>& points);

/// Write points in the same format, one pair per line, whole (writeWholeFile).
/// Returns false, after one line on standard error naming the file, when it
/// cannot be written.
bool saveTemplatePoints(const std::string& name, const std::vector<cv::Point>& points);
