#include "scenes/ProjectorStatement.h"

#include <cmath>
#include <cstdlib>

namespace
{

const char* const usage =
	"expected \"projector DISTANCE TILT TURN [X Y] [size W H] [focal F] [latency N] [brightness B] [room R]\"";

/// A number with no other characters; false for anything else.
bool number(const std::string& word, double& value)
{
	char* end = nullptr;
	value = std::strtod(word.c_str(), &end);
	return !word.empty() && *end == '\0' && std::isfinite(value) && std::fabs(value) <= 1e6;
}

/// Reads the words one by one; the first fault is kept.
class Words
{
public:
	Words(const std::vector<std::string>& words, std::string& reason) : words(words), reason(reason) {}

	bool done() const { return next >= words.size(); }
	bool nextIsNumber() const
	{
		double ignored;
		return !done() && number(words[next], ignored);
	}
	const std::string& take() { return words[next++]; }

	/// The next word as a number in [low, high].
	bool read(double& value, double low, double high, const char* what)
	{
		if (done())
		{
			return fail(std::string(usage) + ": " + what + " is missing");
		}
		const std::string& word = take();
		if (!number(word, value))
		{
			return fail("bad number \"" + word + "\"");
		}
		if (value < low || value > high)
		{
			return fail(std::string(what) + " \"" + word + "\" must be from " + shown(low) + " to " + shown(high));
		}
		return true;
	}

	bool readWhole(int& value, int low, int high, const char* what)
	{
		double read;
		if (!this->read(read, low, high, what))
		{
			return false;
		}
		if (read != std::floor(read))
		{
			return fail(std::string(what) + " \"" + words[next - 1] + "\" must be a whole number");
		}
		value = int(read);
		return true;
	}

	bool fail(const std::string& why)
	{
		reason = why;
		return false;
	}

private:
	static std::string shown(double value)
	{
		std::string text = std::to_string(value);
		text.erase(text.find_last_not_of('0') + 1);
		if (text.back() == '.')
		{
			text.pop_back();
		}
		return text;
	}

	const std::vector<std::string>& words;
	std::string& reason;
	size_t next = 1;
};

}  // namespace

bool parseProjectorStatement(const std::vector<std::string>& words, ProjectorPlacement& placement,
	std::string& reason)
{
	Words in(words, reason);
	ProjectorPlacement read = placement;
	double distance, tilt, turn;
	if (!in.read(distance, 1.0, 1e5, "DISTANCE") || !in.read(tilt, -80.0, 80.0, "TILT")
		|| !in.read(turn, -360.0, 360.0, "TURN"))
	{
		return false;
	}
	read.view.distance = distance;
	read.view.tilt = tilt;
	read.view.turn = turn;
	if (in.nextIsNumber())
	{
		if (!in.read(read.view.target.x, -1e4, 1e4, "X") || !in.read(read.view.target.y, -1e4, 1e4, "Y"))
		{
			return false;
		}
	}
	while (!in.done())
	{
		const std::string option = in.take();
		bool ok = false;
		if (option == "size")
		{
			ok = in.readWhole(read.size.width, 160, 8192, "W") && in.readWhole(read.size.height, 120, 8192, "H");
		}
		else if (option == "focal")
		{
			ok = in.read(read.focal, 10.0, 1e5, "F");
		}
		else if (option == "latency")
		{
			ok = in.readWhole(read.latency, 0, 30, "latency");
		}
		else if (option == "brightness")
		{
			ok = in.read(read.brightness, 1.0, 255.0, "brightness");
		}
		else if (option == "room")
		{
			ok = in.read(read.room, 0.05, 1.0, "room");
		}
		else
		{
			return in.fail("unknown projector option \"" + option + "\": use size, focal, latency, brightness or room");
		}
		if (!ok)
		{
			return false;
		}
	}
	placement = read;
	return true;
}
