#include "analysis/OwnInks.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace
{

bool takesGrey(int low, int high, int margin)
{
	return low <= 128 + margin && high >= 128 - margin;
}

/// The integers of a line after its ink's name: exactly six of 0 to 255.
bool readLevels(std::istringstream& line, int (&levels)[6])
{
	for (int& level : levels)
	{
		if (!(line >> level) || level < 0 || level > 255)
		{
			return false;
		}
	}
	std::string more;
	return !(line >> more);
}

}  // namespace

std::string whyUnusable(const std::string& ink, const ColourRange& r)
{
	if (r.low.y > r.high.y || r.low.cr > r.high.cr || r.low.cb > r.high.cb)
	{
		return "a lowest level above its highest";
	}
	if (ink == "black" && r.high.y > ownBlackBrightest)
	{
		return "black brighter than " + std::to_string(ownBlackBrightest) + " would take grey paper";
	}
	if (ink == "yellow" && takesGrey(r.low.cr, r.high.cr, ownYellowFromGrey)
		&& takesGrey(r.low.cb, r.high.cb, ownYellowFromGrey))
	{
		return "yellow within " + std::to_string(ownYellowFromGrey) + " of grey in both Cr and Cb would take paper";
	}
	return "";
}

bool readOwnInks(const std::string& path, OwnInks& inks, std::string& error)
{
	inks = OwnInks();
	std::ifstream file(path);
	if (!file)
	{
		// Nothing learned: the built-in classes alone.
		return true;
	}
	OwnInks read;
	std::string text;
	for (int number = 1; std::getline(file, text); ++number)
	{
		std::istringstream line(text);
		std::string ink;
		if (!(line >> ink) || ink[0] == '#')
		{
			continue;
		}
		const std::string at = path + ":" + std::to_string(number) + ": ";
		bool& has = ink == "black" ? read.hasBlack : read.hasYellow;
		if (ink != "black" && ink != "yellow")
		{
			error = at + "\"" + ink + "\" is no ink; the file names black and yellow";
			return false;
		}
		if (has)
		{
			error = at + ink + " is named twice";
			return false;
		}
		int levels[6];
		if (!readLevels(line, levels))
		{
			error = at + ink + " needs six levels from 0 to 255: the lowest Y, Cr, Cb, then the highest";
			return false;
		}
		const ColourRange range{{levels[0], levels[1], levels[2]}, {levels[3], levels[4], levels[5]}};
		const std::string why = whyUnusable(ink, range);
		if (!why.empty())
		{
			error = at + ink + ": " + why;
			return false;
		}
		has = true;
		(ink == "black" ? read.black : read.yellow) = range;
	}
	// An empty file is most likely one whose writing was cut short.
	if (!read.hasBlack && !read.hasYellow)
	{
		error = path + ": names no ink";
		return false;
	}
	inks = read;
	return true;
}

std::string ownInksText(const OwnInks& inks)
{
	std::ostringstream text;
	text << "# The user's own inks, learned from a sample drawn on the board by\n"
			"# drawtable-make-templates --inks. Each line: the ink, then the lowest and\n"
			"# the highest Y, Cr and Cb it takes (0 to 255, as OpenCV's YCrCb gives them),\n"
			"# read on the board with its paper brought to white.\n";
	for (const auto& [name, has, range] :
		{std::make_tuple("black", inks.hasBlack, inks.black), std::make_tuple("yellow", inks.hasYellow, inks.yellow)})
	{
		if (has)
		{
			text << name << " " << range.low.y << " " << range.low.cr << " " << range.low.cb << " " << range.high.y << " "
				 << range.high.cr << " " << range.high.cb << "\n";
		}
	}
	return text.str();
}
