#include "analysis/TemplateFile.h"

#include <cstdio>
#include <fstream>

std::vector<cv::Point> loadTemplatePoints(const std::string& name)
{
	std::ifstream file(name);
	if (!file)
	{
		std::fprintf(stderr, "%s: cannot open the circle template; it is left empty\n", name.c_str());
		return {};
	}
	long count = 0;
	if (!(file >> count))
	{
		std::fprintf(stderr, "%s: no point count at the start; the circle template is left empty\n", name.c_str());
		return {};
	}
	std::vector<cv::Point> points;
	// Points are added as they are read, so a huge count in a short file
	// costs nothing.
	for (long i = 0; i < count; ++i)
	{
		int x = 0, y = 0;
		if (!(file >> x >> y))
		{
			std::fprintf(stderr, "%s: point %ld of %ld is missing or not two integers; the circle template is left empty\n",
				name.c_str(), i + 1, count);
			return {};
		}
		points.emplace_back(x, y);
	}
	return points;
}

bool saveTemplatePoints(const std::string& name, const std::vector<cv::Point>& points)
{
	std::ofstream file(name);
	file << points.size() << "\n";
	for (const cv::Point& p : points)
	{
		file << p.x << " " << p.y << "\n";
	}
	file.close();
	if (!file)
	{
		std::fprintf(stderr, "%s: cannot write the circle template\n", name.c_str());
		return false;
	}
	return true;
}
