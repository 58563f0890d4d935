#include "core/Event.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

std::string jsonNumber(double value)
{
	if (!std::isfinite(value))
	{
		return "null";
	}
	char text[32];
	std::snprintf(text, sizeof text, "%.9g", value);
	return text;
}

namespace
{

std::string jsonPoint(double x, double y)
{
	return "[" + jsonNumber(x) + ", " + jsonNumber(y) + "]";
}

}  // namespace

std::string jsonString(const std::string& text)
{
	std::string quoted = "\"";
	for (const char c : text)
	{
		if (c == '"' || c == '\\')
		{
			quoted += '\\';
			quoted += c;
		}
		else if (static_cast<unsigned char>(c) < 0x20)
		{
			char escaped[8];
			std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
			quoted += escaped;
		}
		else
		{
			quoted += c;
		}
	}
	return quoted + "\"";
}

Event& Event::set(const std::string& key, double value)
{
	fields.emplace_back(key, jsonNumber(value));
	return *this;
}

Event& Event::set(const std::string& key, bool value)
{
	fields.emplace_back(key, value ? "true" : "false");
	return *this;
}

Event& Event::set(const std::string& key, const std::string& text)
{
	fields.emplace_back(key, jsonString(text));
	return *this;
}

Event& Event::set(const std::string& key, const std::vector<double>& values)
{
	std::string text = "[";
	for (size_t i = 0; i < values.size(); ++i)
	{
		text += (i ? ", " : "") + jsonNumber(values[i]);
	}
	fields.emplace_back(key, text + "]");
	return *this;
}

Event& Event::set(const std::string& key, const std::vector<cv::Point2f>& points)
{
	std::string text = "[";
	for (size_t i = 0; i < points.size(); ++i)
	{
		text += (i ? ", " : "") + jsonPoint(points[i].x, points[i].y);
	}
	fields.emplace_back(key, text + "]");
	return *this;
}

double Event::number(const std::string& key) const
{
	for (const auto& [name, value] : fields)
	{
		if (name == key)
		{
			char* end = nullptr;
			const double parsed = std::strtod(value.c_str(), &end);
			if (end != value.c_str() && *end == '\0')
			{
				return parsed;
			}
		}
	}
	return std::numeric_limits<double>::quiet_NaN();
}

bool Event::has(const std::string& key) const
{
	for (const auto& field : fields)
	{
		if (field.first == key)
		{
			return true;
		}
	}
	return false;
}
