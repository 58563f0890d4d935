#include "markers/ARMultiMarker.h"

#include <opencv2/aruco.hpp>

#include <cmath>
#include <fstream>
#include <sstream>

namespace
{

/// The text of a configuration file, line by line, skipping comments and
/// blank lines and remembering line numbers for messages.
class ConfigLines
{
public:
	ConfigLines(std::istream& in, std::string path) : in(in), path(std::move(path)) {}

	/// The next line that holds something, or false at the end of the file.
	bool next(std::string& line)
	{
		while (std::getline(in, line))
		{
			++number;
			const size_t first = line.find_first_not_of(" \t\r");
			if (first != std::string::npos && line[first] != '#')
			{
				return true;
			}
		}
		return false;
	}

	std::string where() const { return path + ":" + std::to_string(number) + ": "; }

private:
	std::istream& in;
	std::string path;
	int number = 0;
};

/// Exactly `count` numbers and nothing else.
bool parseNumbers(const std::string& line, int count, double* values)
{
	std::istringstream fields(line);
	for (int i = 0; i < count; ++i)
	{
		std::string word;
		if (!(fields >> word))
		{
			return false;
		}
		size_t used = 0;
		try
		{
			values[i] = std::stod(word, &used);
		}
		catch (const std::exception&)
		{
			return false;
		}
		if (used != word.size() || !std::isfinite(values[i]))
		{
			return false;
		}
	}
	std::string extra;
	return !(fields >> extra);
}

bool parsePattern(const std::string& line, MarkerPattern& pattern, std::string& why)
{
	std::istringstream fields(line);
	std::string kind, dictionary, id, extra;
	fields >> kind >> dictionary >> id;
	if (kind != "aruco" || id.empty() || (fields >> extra))
	{
		why = "expected a marker name \"aruco <DICTIONARY> <id>\", found \"" + line + "\"";
		return false;
	}
	pattern.dictionary = markerDictionaryByName(dictionary);
	if (pattern.dictionary < 0)
	{
		why = "unknown marker dictionary \"" + dictionary + "\"";
		return false;
	}
	const int codes = cv::aruco::getPredefinedDictionary(pattern.dictionary)->bytesList.rows;
	if (id.find_first_not_of("0123456789") != std::string::npos || id.size() > 6 || std::stoi(id) >= codes)
	{
		why = "marker id \"" + id + "\" is not one of the " + std::to_string(codes) + " codes of " + dictionary;
		return false;
	}
	pattern.id = std::stoi(id);
	return true;
}

/// Corners of the code in set coordinates, in detection order.
void placeCorners(ARMultiEachMarkerInfoT& marker)
{
	const double half = marker.width / 2.0;
	const double local[4][2] = {{-half, half}, {half, half}, {half, -half}, {-half, -half}};
	for (int corner = 0; corner < 4; ++corner)
	{
		const double x = marker.center[0] + local[corner][0];
		const double y = marker.center[1] + local[corner][1];
		for (int row = 0; row < 3; ++row)
		{
			const double* t = marker.trans[row];
			marker.pos3d[corner][row] = t[0] * x + t[1] * y + t[3];
		}
	}
}

bool readMarker(ConfigLines& lines, ARMultiEachMarkerInfoT& marker, std::string& error)
{
	std::string line;
	std::string why;
	const auto fail = [&](const std::string& message) {
		error = lines.where() + message;
		return false;
	};
	if (!lines.next(line) || !parsePattern(line, marker.pattern, why))
	{
		return fail(why.empty() ? "ends before the marker's name" : why);
	}
	if (!lines.next(line) || !parseNumbers(line, 1, &marker.width) || marker.width <= 0.0)
	{
		return fail("expected the marker's side length, a number above 0");
	}
	if (!lines.next(line) || !parseNumbers(line, 2, marker.center))
	{
		return fail("expected the marker's centre, two numbers");
	}
	for (auto& row : marker.trans)
	{
		if (!lines.next(line) || !parseNumbers(line, 4, row))
		{
			return fail("expected a row of the marker's transform, four numbers");
		}
	}
	placeCorners(marker);
	return true;
}

}  // namespace

bool readMultiMarkerConfig(const std::string& path, ARMultiMarkerInfoT& set, std::string& error)
{
	std::ifstream in(path);
	if (!in)
	{
		error = path + ": cannot open marker configuration";
		return false;
	}
	ConfigLines lines(in, path);
	std::string line;
	double count = 0.0;
	if (!lines.next(line) || !parseNumbers(line, 1, &count) || count < 1.0 || count > 1000.0 || count != int(count))
	{
		error = lines.where() + "expected the number of markers, a whole number from 1 to 1000";
		return false;
	}
	ARMultiMarkerInfoT loaded;
	loaded.marker.resize(size_t(count));
	loaded.marker_num = int(count);
	for (int i = 0; i < loaded.marker_num; ++i)
	{
		if (!readMarker(lines, loaded.marker[size_t(i)], error))
		{
			error += " (marker " + std::to_string(i + 1) + " of " + std::to_string(loaded.marker_num) + ")";
			return false;
		}
	}
	set = std::move(loaded);
	return true;
}

int markerDictionaryByName(const std::string& name)
{
	static const char* const names[] = {"4X4_50", "4X4_100", "4X4_250", "4X4_1000", "5X5_50", "5X5_100",
		"5X5_250", "5X5_1000", "6X6_50", "6X6_100", "6X6_250", "6X6_1000", "7X7_50", "7X7_100", "7X7_250",
		"7X7_1000", "ARUCO_ORIGINAL", "APRILTAG_16h5", "APRILTAG_25h9", "APRILTAG_36h10", "APRILTAG_36h11"};
	static_assert(sizeof names / sizeof names[0] == cv::aruco::DICT_APRILTAG_36h11 + 1, "one name per dictionary");
	for (int i = 0; i < int(sizeof names / sizeof names[0]); ++i)
	{
		if (name == names[i])
		{
			return i;
		}
	}
	return -1;
}
