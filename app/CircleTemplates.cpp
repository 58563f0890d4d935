#include "app/CircleTemplates.h"

#include "analysis/TemplateFile.h"
#include "app/DataFiles.h"
#include "app/ShippedTemplates.h"

#include <cstdio>

namespace
{

/// The template of `file`, or false with why it cannot serve.
bool usableTemplate(const std::string& file, Contour& points, std::string& why)
{
	if (!readTemplatePoints(file, points, why))
	{
		return false;
	}
	why = file + ": holds no points";
	return !points.empty();
}

/// The first template of `file` and `shipped` (skipped when empty or the
/// same file) that serves, else the built-in one.
Contour loadCircleTemplate(const std::string& file, const std::string& shipped, const char* builtIn)
{
	const bool hasShipped = !shipped.empty() && shipped != file;
	Contour points;
	std::string why;
	if (usableTemplate(file, points, why))
	{
		return points;
	}
	if (hasShipped)
	{
		std::string shippedWhy;
		if (usableTemplate(shipped, points, shippedWhy))
		{
			std::fprintf(stderr, "%s; the shipped one is used, %s\n", why.c_str(), shipped.c_str());
			return points;
		}
		std::fprintf(stderr, "%s; the shipped one is tried\n", why.c_str());
		why = shippedWhy;
	}
	std::fprintf(stderr, "%s; the one built into the program is used\n", why.c_str());
	std::string ignored;
	parseTemplatePoints(builtIn, "built-in template", points, ignored);
	return points;
}

}  // namespace

CircleTemplates loadCircleTemplates(const DataFiles& files)
{
	return {loadCircleTemplate(files.blackTemplate, files.shippedBlackTemplate, builtInBlackTemplate),
		loadCircleTemplate(files.yellowTemplate, files.shippedYellowTemplate, builtInYellowTemplate)};
}
