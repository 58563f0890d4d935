#include "platform/DiskSpace.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/statvfs.h>

namespace
{

constexpr std::uint64_t gibibyte = std::uint64_t(1) << 30;
const char* const units = "KMGT";

}  // namespace

bool diskSpaceOf(const std::string& folder, DiskSpace& space)
{
	struct statvfs figures;
	if (::statvfs(folder.c_str(), &figures) != 0)
	{
		return false;
	}
	space.free = std::uint64_t(figures.f_bavail) * figures.f_frsize;
	space.total = std::uint64_t(figures.f_blocks) * figures.f_frsize;
	return true;
}

std::uint64_t defaultKeepFree(std::uint64_t total)
{
	return std::min<std::uint64_t>(2 * gibibyte, total / 20);
}

bool parseByteSize(const std::string& text, std::uint64_t& bytes)
{
	std::size_t end = 0;
	while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.'))
	{
		++end;
	}
	const std::string number = text.substr(0, end);
	std::string unit = text.substr(end);
	if (number.empty() || number.front() == '.' || number.back() == '.' || number.find('.') != number.rfind('.'))
	{
		return false;
	}
	if (unit.size() == 2 && (unit[1] == 'B' || unit[1] == 'b'))
	{
		unit.pop_back();
	}
	double factor = 1.0;
	if (!unit.empty())
	{
		const char* at = unit.size() == 1 ? std::strchr(units, std::toupper(static_cast<unsigned char>(unit[0]))) : nullptr;
		if (at == nullptr || *at == '\0')
		{
			return false;
		}
		factor = std::pow(1024.0, double(at - units + 1));
	}
	const double value = std::strtod(number.c_str(), nullptr) * factor;
	// Past 1000 TB is no disk of today; it also keeps the value in range.
	if (!(value < 1000.0 * std::pow(1024.0, 4)))
	{
		return false;
	}
	bytes = std::uint64_t(std::llround(value));
	return true;
}

std::string formatByteSize(std::uint64_t bytes)
{
	double value = double(bytes);
	int unit = -1;
	while (value >= 1024.0 && unit < 3)
	{
		value /= 1024.0;
		++unit;
	}
	char text[32];
	if (unit < 0)
	{
		std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
	}
	else
	{
		std::snprintf(text, sizeof text, value < 10.0 ? "%.1f %cB" : "%.0f %cB", value, units[unit]);
	}
	return text;
}
