#include "analysis/TemplateFile.h"

#include "platform/WholeFile.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace
{

/// The line (from 1) of the first thing after `from` that is not white space:
/// where a read that failed there stopped.
long lineAt(const std::string& text, std::streamoff from)
{
	size_t at = from < 0 ? text.size() : size_t(from);
	at = std::min(text.find_first_not_of(" \t\r\n\v\f", at), text.size());
	return 1 + long(std::count(text.begin(), text.begin() + long(at), '\n'));
}

}  // namespace

bool parseTemplatePoints(const std::string& text, const std::string& name, std::vector<cv::Point>& points,
	std::string& error)
{
	points.clear();
	std::istringstream file(text);
	long count = 0;
	if (!(file >> count))
	{
		error = name + ":" + std::to_string(lineAt(text, 0)) + ": no point count at the start";
		return false;
	}
	// Points are added as they are read, so a huge count in a short file
	// costs nothing.
	for (long i = 0; i < count; ++i)
	{
		int x = 0, y = 0;
		const std::streamoff start = file.tellg();
		if (!(file >> x >> y))
		{
			error = name + ":" + std::to_string(lineAt(text, start)) + ": point " + std::to_string(i + 1) + " of "
				+ std::to_string(count) + " is missing or not two integers";
			points.clear();
			return false;
		}
		points.emplace_back(x, y);
	}
	return true;
}

bool readTemplatePoints(const std::string& name, std::vector<cv::Point>& points, std::string& error)
{
	points.clear();
	std::ifstream in(name);
	if (!in)
	{
		error = name + ": cannot open the circle template";
		return false;
	}
	const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	return parseTemplatePoints(text, name, points, error);
}

std::vector<cv::Point> loadTemplatePoints(const std::string& name)
{
	std::vector<cv::Point> points;
	std::string error;
	if (!readTemplatePoints(name, points, error))
	{
		std::fprintf(stderr, "%s; the circle template is left empty\n", error.c_str());
	}
	return points;
}

std::string templatePointsText(const std::vector<cv::Point>& points)
{
	std::ostringstream text;
	text << points.size() << "\n";
	for (const cv::Point& p : points)
	{
		text << p.x << " " << p.y << "\n";
	}
	return text.str();
}

bool saveTemplatePoints(const std::string& name, const std::vector<cv::Point>& points)
{
	const std::string bytes = templatePointsText(points);
	const std::error_code failure = writeWholeFile(name, bytes.data(), bytes.size());
	if (failure)
	{
		std::fprintf(stderr, "%s: cannot write the circle template: %s\n", name.c_str(), failure.message().c_str());
		return false;
	}
	return true;
}
