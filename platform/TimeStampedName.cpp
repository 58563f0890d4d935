#include "platform/TimeStampedName.h"

#include <filesystem>

std::string timeStamp(std::time_t when)
{
	std::tm local = {};
	::localtime_r(&when, &local);
	char text[32];
	std::strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", &local);
	return text;
}

std::string unusedName(const std::string& stem, const std::string& extension)
{
	std::string name = stem + extension;
	std::error_code ignored;
	for (int another = 2; std::filesystem::exists(std::filesystem::symlink_status(name, ignored)); ++another)
	{
		name = stem + "-" + std::to_string(another) + extension;
	}
	return name;
}
