#pragma once

#include <opencv2/core/types.hpp>

#include <string>
#include <vector>

/// The points of a circle template: decimal integers separated by white
/// space, first the point count, then that many x y pairs in board pixels.
/// A count of 0 or less gives no points. False when `text` has no count, or
/// ends or breaks before its last pair, with `error` saying so in one line
/// that starts with `name` and the line at fault ("circle.txt:3: ...").
bool parseTemplatePoints(const std::string& text, const std::string& name, std::vector<cv::Point>& points,
	std::string& error);

/// parseTemplatePoints of the file `name`; also false, said in `error`, when
/// it cannot be opened.
bool readTemplatePoints(const std::string& name, std::vector<cv::Point>& points, std::string& error);

/// readTemplatePoints, or no points and its error on standard error.
std::vector<cv::Point> loadTemplatePoints(const std::string& name);

/// Points in that format, one pair a line.
std::string templatePointsText(const std::vector<cv::Point>& points);

/// Write points in the same format, one pair per line, whole (writeWholeFile).
/// Returns false, after one line on standard error naming the file, when it
/// cannot be written.
bool saveTemplatePoints(const std::string& name, const std::vector<cv::Point>& points);
