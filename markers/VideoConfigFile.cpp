#include "markers/VideoConfigFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace
{

/// The largest frame side we accept, as for camera parameter files.
constexpr long maxSide = 100000;

long lineAt(const std::string& text, size_t at)
{
	at = std::min(at, text.size());
	return 1 + long(std::count(text.begin(), text.begin() + long(at), '\n'));
}

std::string trimmed(const std::string& text)
{
	const size_t first = text.find_first_not_of(" \t\r\n");
	if (first == std::string::npos)
	{
		return "";
	}
	return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

/// A size's text as a whole number from 1 to maxSide, or 0.
long sideValue(const std::string& text)
{
	if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
	{
		return 0;
	}
	const long value = std::stol(text);
	return value <= maxSide ? value : 0;
}

/// The text of one element and where it starts.
struct Field
{
	bool found = false;
	std::string text;
	size_t at = 0;
};

class ConfigReader
{
public:
	ConfigReader(std::string path, std::string text) : path(std::move(path)), text(std::move(text)) {}

	bool read(cv::Size& size, std::string& error)
	{
		if (!readElements())
		{
			error = problem;
			return false;
		}
		if (!width.found || !height.found)
		{
			error = path + ": video configuration needs a width and a height above 0";
			return false;
		}
		const long w = sideValue(trimmed(width.text));
		const long h = sideValue(trimmed(height.text));
		if (w == 0 || h == 0)
		{
			const Field& bad = w == 0 ? width : height;
			error = where(bad.at) + (w == 0 ? "width" : "height") + " \"" + trimmed(bad.text).substr(0, 40)
				+ "\" is not a whole number from 1 to " + std::to_string(maxSide);
			return false;
		}
		size = cv::Size(int(w), int(h));
		return true;
	}

private:
	std::string where(size_t at) const { return path + ":" + std::to_string(lineAt(text, at)) + ": "; }

	bool fail(size_t at, const std::string& why)
	{
		problem = where(at) + why;
		return false;
	}

	/// Skips a declaration or comment starting at `tag`; false when it is not one.
	bool skipSpecial(size_t tag, bool& ok)
	{
		for (const auto& [start, end] : {std::pair<const char*, const char*>{"<!--", "-->"}, {"<?", "?>"}, {"<!", ">"}})
		{
			if (text.compare(tag, std::char_traits<char>::length(start), start) == 0)
			{
				const size_t close = text.find(end, tag + 2);
				ok = close != std::string::npos || fail(tag, std::string("\"") + start + "\" is not closed");
				at = ok ? close + std::char_traits<char>::length(end) : text.size();
				return true;
			}
		}
		return false;
	}

	bool readElements()
	{
		while (at < text.size())
		{
			const size_t tag = std::min(text.find('<', at), text.size());
			if (Field* field = current())
			{
				field->text += text.substr(at, tag - at);
			}
			if (tag == text.size())
			{
				break;
			}
			bool ok = true;
			if (skipSpecial(tag, ok))
			{
				if (!ok)
				{
					return false;
				}
				continue;
			}
			const size_t close = text.find('>', tag);
			if (close == std::string::npos)
			{
				return fail(tag, "a tag is not closed with '>'");
			}
			if (!readTag(tag, text.substr(tag + 1, close - tag - 1)))
			{
				return false;
			}
			at = close + 1;
		}
		return open.empty() || fail(text.size(), "element <" + open.back().substr(0, 40) + "> is not closed");
	}

	bool readTag(size_t tag, const std::string& inside)
	{
		const bool closing = !inside.empty() && inside[0] == '/';
		if (!inside.empty() && inside.back() == '/')
		{
			return true;  // an empty element
		}
		const std::string body = closing ? inside.substr(1) : inside;
		const std::string name = body.substr(0, body.find_first_of(" \t\r\n"));
		if (name.empty() || name.find_first_of("<&\"'") != std::string::npos)
		{
			return fail(tag, "a tag without a proper name");
		}
		if (!closing)
		{
			open.push_back(name);
			if (Field* field = current())
			{
				*field = Field{true, "", tag};
			}
			return true;
		}
		if (open.empty() || open.back() != name)
		{
			return fail(tag, "</" + name.substr(0, 40) + "> closes no open element of that name");
		}
		open.pop_back();
		return true;
	}

	/// The size field being read, when the innermost open element is one.
	Field* current()
	{
		if (open.empty())
		{
			return nullptr;
		}
		return open.back() == "width" ? &width : open.back() == "height" ? &height : nullptr;
	}

	std::string path;
	std::string text;
	size_t at = 0;
	std::vector<std::string> open;
	Field width;
	Field height;
	std::string problem;
};

}  // namespace

bool readVideoConfig(const std::string& path, cv::Size& size, std::string& error)
{
	std::ifstream in(path, std::ios::binary);
	if (!in)
	{
		error = path + ": cannot open video configuration";
		return false;
	}
	std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	return ConfigReader(path, std::move(text)).read(size, error);
}

std::string videoConfigPath(const std::string& name)
{
	std::string folders = name;
	std::replace(folders.begin(), folders.end(), '\\', '/');
	std::error_code error;
	if (folders != name && !std::filesystem::exists(folders, error) && std::filesystem::exists(name, error))
	{
		return name;
	}
	return folders;
}
