#pragma once

#include <opencv2/core/types.hpp>

#include <string>
#include <utility>
#include <vector>

/// Something that happened in a pass (a ball made, a sensor touched, a scan),
/// with named values. Values are kept as JSON text, so that an event can be
/// written out as it is; `number` reads one back.
struct Event
{
	explicit Event(std::string type) : type(std::move(type)) {}

	Event& set(const std::string& key, double value);
	Event& set(const std::string& key, bool value);
	Event& set(const std::string& key, const std::string& text);
	Event& set(const std::string& key, const std::vector<double>& values);
	Event& set(const std::string& key, const std::vector<cv::Point2f>& points);

	/// The numeric value of a field, or NaN when it is missing or not a number.
	double number(const std::string& key) const;
	bool has(const std::string& key) const;

	std::string type;
	std::vector<std::pair<std::string, std::string>> fields;
};

/// A number as JSON writes it; NaN and infinity, which JSON lacks, as null.
std::string jsonNumber(double value);

/// A text as a JSON string: quoted, its quotes, backslashes and control
/// characters escaped.
std::string jsonString(const std::string& text);
