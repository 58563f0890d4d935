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

std::vector<cv::Point> loadTemplatePoints(const std::string& name)
{
	std::ifstream in(name);
	if (!in)
	{
		std::fprintf(stderr, "%s: cannot open the circle template; it is left empty\n", name.c_str());
		return {};
	}
	const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	std::istringstream file(text);
	long count = 0;
	if (!(file >> count))
	{
		std::fprintf(stderr, "%s:%ld: no point count at the start; the circle template is left empty\n", name.c_str(),
			lineAt(text, 0));
		return {};
	}
	std::vector<cv::Point> points;
	// Points are added as they are read, so a huge count in a short file
	// costs nothing.
	for (long i = 0; i < count; ++i)
	{
		int x = 0, y = 0;
		const std::streamoff start = file.tellg();
		if (!(file >> x >> y))
		{
			std::fprintf(stderr,
				"%s:%ld: point %ld of %ld is missing or not two integers; the circle template is left empty\n",
				name.c_str(), lineAt(text, start), i + 1, count);
			return {};
		}
		points.emplace_back(x, y);
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
