#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// A rectangle of the desktop, in pixels; empty when its width is 0.
struct DesktopRect
{
	int x = 0;
	int y = 0;
	int width = 0;
	int height = 0;

	bool empty() const { return width <= 0 || height <= 0; }
};

/// What the command line asked for. With no argument: camera device 0, windows,
/// no end but ESC.
struct Options
{
	std::string source = "device:0";
	bool headless = false;
	/// End with status 0 after this many passes; 0 runs until ESC.
	long passes = 0;
	std::string traceFile;
	std::string snapshotDir;
	/// A video of "normal" and "game" side by side, one frame a pass.
	std::string videoFile;
	/// Where the input files are read from; empty: the working directory, or
	/// the installed data when the working directory has no Data folder.
	std::string dataDir;
	/// Projector mode: where the projector's picture is on the desktop.
	DesktopRect projector;
	/// What is recorded: "frames", "video" or "none"; empty: frames when a
	/// folder "video" is there.
	std::string record;
	/// Recording stops when less than this is free; unset, the default floor.
	std::optional<std::uint64_t> keepFree;
	/// Start with the sound muted (the key m turns it on).
	bool mute = false;
	bool help = false;
	/// Print the version and end.
	bool version = false;
};

/// The result of reading the command line: the options, or the reason they
/// were refused (a bad option or value; the caller prints it with the usage).
struct ParsedCommandLine
{
	Options options;
	std::string error;

	bool ok() const { return error.empty(); }
};

/// Read the arguments after the program name. Options take their value as the
/// next argument or after '=' (--passes 300, --passes=300).
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// Why the projector's picture cannot be on the desktop whose screens are
/// `screens` (X,Y,W,H each, as the display knows them): it lies outside every
/// one. Empty when it overlaps one, or when no screens are known.
std::string projectorPlaceProblem(const DesktopRect& projector, const std::vector<cv::Rect>& screens);

/// The usage text, ending with a line end.
std::string usageText();
