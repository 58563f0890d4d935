#include "app/CommandLine.h"

#include "calibration/ProjectorCalibration.h"
#include "platform/DiskSpace.h"
#include "platform/FrameSource.h"

#include <cerrno>
#include <cstdlib>

namespace
{

bool parsePassCount(const std::string& text, long& passes)
{
	if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
	{
		return false;
	}
	errno = 0;
	char* end = nullptr;
	const long value = std::strtol(text.c_str(), &end, 10);
	if (errno != 0 || *end != '\0' || value <= 0)
	{
		return false;
	}
	passes = value;
	return true;
}

/// Positions reach this far: a desktop of many screens, but no number that overflows.
constexpr long maxDesktopReach = 16384L * 8L;
/// The largest picture a projector shows: an 8K one, 7680 x 4320, either way
/// up, and no side above 8192. Beyond it every pass draws, shows and keeps a
/// picture of hundreds of megabytes.
constexpr int maxProjectorSide = 8192;
constexpr long maxProjectorPixels = 7680L * 4320L;

/// "X,Y,W,H": four whole numbers; X and Y may be negative (a screen left of
/// or above the first). False when they are not four such numbers.
bool readDesktopRect(const std::string& text, DesktopRect& rect)
{
	long values[4];
	const char* at = text.c_str();
	for (int i = 0; i < 4; ++i)
	{
		const char* start = at;
		if (*at == '-')
		{
			++at;
		}
		if (*at < '0' || *at > '9')
		{
			return false;
		}
		errno = 0;
		char* end = nullptr;
		values[i] = std::strtol(start, &end, 10);
		if (errno != 0 || values[i] < -maxDesktopReach || values[i] > maxDesktopReach)
		{
			return false;
		}
		at = end;
		if (*at != (i < 3 ? ',' : '\0'))
		{
			return false;
		}
		++at;
	}
	if (values[2] <= 0 || values[3] <= 0)
	{
		return false;
	}
	rect = DesktopRect{int(values[0]), int(values[1]), int(values[2]), int(values[3])};
	return true;
}

/// Why the projector's picture cannot be used at its size, or nothing: it
/// must be large enough for the calibration to measure, and no larger than a
/// projector shows.
std::string projectorSizeProblem(const DesktopRect& rect)
{
	const std::string size = std::to_string(rect.width) + " x " + std::to_string(rect.height);
	const std::string unmeasurable = unmeasurablePicture(cv::Size(rect.width, rect.height));
	if (!unmeasurable.empty())
	{
		return unmeasurable;
	}
	if (rect.width > maxProjectorSide || rect.height > maxProjectorSide
		|| long(rect.width) * long(rect.height) > maxProjectorPixels)
	{
		return "a " + size + " picture is larger than any projector's: at most " + std::to_string(maxProjectorSide)
			+ " a side and 7680 x 4320 in all";
	}
	return std::string();
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
	ParsedCommandLine parsed;
	Options& options = parsed.options;
	for (size_t i = 0; i < arguments.size(); ++i)
	{
		std::string name = arguments[i];
		std::string value;
		bool hasValue = false;
		const size_t equals = name.find('=');
		if (name.rfind("--", 0) == 0 && equals != std::string::npos)
		{
			value = name.substr(equals + 1);
			name = name.substr(0, equals);
			hasValue = true;
		}

		if (name == "--help" || name == "--version" || name == "--headless" || name == "--mute")
		{
			if (hasValue)
			{
				parsed.error = "option " + name + " takes no value";
				return parsed;
			}
			(name == "--help" ? options.help : name == "--version" ? options.version : name == "--mute" ? options.mute : options.headless) = true;
			continue;
		}
		if (name != "--source" && name != "--passes" && name != "--trace" && name != "--snapshots" && name != "--video"
			&& name != "--data" && name != "--projector" && name != "--record" && name != "--keep-free")
		{
			parsed.error = "unknown option \"" + arguments[i] + "\"";
			return parsed;
		}
		if (!hasValue)
		{
			if (i + 1 >= arguments.size())
			{
				parsed.error = "option " + name + " needs a value";
				return parsed;
			}
			value = arguments[++i];
		}

		if (name == "--source")
		{
			if (parseSourceName(value).kind == SourceName::Invalid)
			{
				parsed.error = "bad source \"" + value + "\": use device:N, file:PATH, demo or scene:PATH";
				return parsed;
			}
			options.source = value;
		}
		else if (name == "--passes")
		{
			if (!parsePassCount(value, options.passes))
			{
				parsed.error = "bad pass count \"" + value + "\": use a whole number above 0";
				return parsed;
			}
		}
		else if (name == "--projector")
		{
			if (!readDesktopRect(value, options.projector))
			{
				parsed.error = "bad projector rectangle \"" + value + "\": use X,Y,W,H, whole numbers, W and H above 0";
				return parsed;
			}
			const std::string problem = projectorSizeProblem(options.projector);
			if (!problem.empty())
			{
				parsed.error = "bad projector rectangle \"" + value + "\": " + problem;
				return parsed;
			}
		}
		else if (name == "--record")
		{
			if (value != "frames" && value != "video" && value != "none")
			{
				parsed.error = "bad recording \"" + value + "\": use frames, video or none";
				return parsed;
			}
			options.record = value;
		}
		else if (name == "--keep-free")
		{
			std::uint64_t bytes = 0;
			if (!parseByteSize(value, bytes))
			{
				parsed.error = "bad size \"" + value + "\": use a number with K, M, G or T, such as 500M or 2G";
				return parsed;
			}
			options.keepFree = bytes;
		}
		else if (value.empty())
		{
			parsed.error = "option " + name + " needs a non-empty value";
			return parsed;
		}
		else
		{
			(name == "--trace"   ? options.traceFile
				: name == "--video" ? options.videoFile
				: name == "--data"  ? options.dataDir
									: options.snapshotDir) = value;
		}
	}
	return parsed;
}

std::string projectorPlaceProblem(const DesktopRect& projector, const std::vector<cv::Rect>& screens)
{
	const cv::Rect picture(projector.x, projector.y, projector.width, projector.height);
	std::string named;
	for (const cv::Rect& screen : screens)
	{
		if ((picture & screen).area() > 0)
		{
			return std::string();
		}
		named += (named.empty() ? "" : "; ") + std::to_string(screen.x) + "," + std::to_string(screen.y) + ","
			+ std::to_string(screen.width) + "," + std::to_string(screen.height);
	}
	if (screens.empty())
	{
		// Nothing known of the screens (no window system): the rectangle is taken as given.
		return std::string();
	}
	return "the projector rectangle " + std::to_string(projector.x) + "," + std::to_string(projector.y) + ","
		+ std::to_string(projector.width) + "," + std::to_string(projector.height)
		+ " lies outside every screen of the desktop (" + named
		+ "): give --projector the rectangle where the projector's picture is, once it extends the desktop";
}

std::string usageText()
{
	return "usage: drawtable [options]\n"
		   "  --source WHERE    where frames come from: device:N (camera N, default device:0)\n"
		   "                    file:PATH (a video file or an image-sequence pattern)\n"
		   "                    demo (a synthetic camera playing a drawn board and a hand)\n"
		   "                    or scene:PATH (the synthetic camera playing another scene file)\n"
		   "  --headless        show no windows; frames come as fast as they can\n"
		   "  --passes N        end with status 0 after N passes of the main loop\n"
		   "  --trace FILE      write what each pass did to FILE, one JSON object a line\n"
		   "  --snapshots DIR   at exit, write each window's last image as DIR/<window>.png\n"
		   "  --video FILE      write \"normal\" and \"game\" side by side, one frame a pass,\n"
		   "                    as an MJPG video (FILE.avi), 60 frames a second\n"
		   "  --data DIR        read the input files (Data/, the templates) from DIR;\n"
		   "                    outputs still go to the working directory\n"
		   "  --projector X,Y,W,H  project the game onto the board: the projector's picture\n"
		   "                    is the desktop rectangle X,Y,W,H (a second screen)\n"
		   "  --record WHAT     what is kept in folder video/: frames (the camera and game\n"
		   "                    pictures of every pass as PNG files), video (the camera\n"
		   "                    frames as a lossless video that --source file: replays, and\n"
		   "                    the windows side by side) or none; without it, frames when\n"
		   "                    a folder video/ is there\n"
		   "  --keep-free SIZE  stop recording when less than SIZE is free on its disk\n"
		   "                    (such as 500M or 2G; default 2G, or 5 % of a smaller disk)\n"
		   "  --mute            start with the sound off (the key m turns it on)\n"
		   "  --help            print this text\n"
		   "  --version         print the version\n"
		   "keys: ESC quits, p pauses or resumes board scanning, z drops a box,\n"
		   "      m turns the sound off or on;\n"
		   "      with a projector, c measures it again and w outlines the walls\n";
}
