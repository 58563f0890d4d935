// video_frames: how many frames a video holds and how large they are, and
// optionally one frame as a picture.
//
//     video_frames VIDEO [INDEX OUT.png]
//
// Prints "FRAMES frames of WIDTHxHEIGHT", the count from the file's header, as
// players read it. The frames are decoded as well: when their number differs
// (a video that was never finished says 0 in its header) it adds
// ", N decoded" and ends with status 1. With INDEX (from 0) and OUT.png it
// also writes that frame.

#include "platform/WholeFile.h"
#include "render/AviHeader.h"
#include "tools/ToolUsage.h"

#include <opencv2/videoio.hpp>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
	const char* const usage = "usage: video_frames VIDEO [INDEX OUT.png]\n"
							  "prints how many frames VIDEO holds and their size; writes frame INDEX to OUT.png\n";
	if (answeredHelpOrVersion(argc, argv, usage))
	{
		return 0;
	}
	if (const char* option = unknownOption(argc, argv))
	{
		return refuseOption(argv[0], option);
	}
	if (argc != 2 && argc != 4)
	{
		std::fputs(usage, stderr);
		return 2;
	}
	long wanted = -1;
	if (argc == 4)
	{
		char* end = nullptr;
		wanted = std::strtol(argv[2], &end, 10);
		if (*end != '\0' || wanted < 0)
		{
			std::fprintf(stderr, "video_frames: bad frame index \"%s\"\n", argv[2]);
			return 2;
		}
	}
	std::string error;
	const long inHeader = aviHeaderFrameCount(argv[1], error);
	if (inHeader < 0)
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return 1;
	}
	cv::VideoCapture video(argv[1], cv::CAP_ANY);
	if (!video.isOpened())
	{
		std::fprintf(stderr, "%s: cannot read the video\n", argv[1]);
		return 1;
	}
	long count = 0;
	cv::Size size;
	bool written = wanted < 0;
	std::error_code failure;
	for (cv::Mat frame; video.read(frame); ++count)
	{
		size = frame.size();
		if (count == wanted)
		{
			failure = writeWholeImage(argv[3], frame);
			written = !failure;
		}
	}
	if (count != inHeader)
	{
		std::printf("%ld frames of %dx%d, %ld decoded\n", inHeader, size.width, size.height, count);
		return 1;
	}
	std::printf("%ld frames of %dx%d\n", inHeader, size.width, size.height);
	if (failure)
	{
		std::fprintf(stderr, "%s: cannot write the picture: %s\n", argv[3], failure.message().c_str());
		return 1;
	}
	if (!written)
	{
		std::fprintf(stderr, "%s: no frame %ld written\n", argv[1], wanted);
		return 1;
	}
	return 0;
}
