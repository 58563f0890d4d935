// video_frames: how many frames a video holds and how large they are, read
// frame by frame, and optionally one frame as a picture.
//
//     video_frames VIDEO [INDEX OUT.png]
//
// Prints "FRAMES frames of WIDTHxHEIGHT"; with INDEX (from 0) and OUT.png
// also writes that frame.

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
	if (argc != 2 && argc != 4)
	{
		std::fprintf(stderr, "usage: video_frames VIDEO [INDEX OUT.png]\n");
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
	cv::VideoCapture video(argv[1], cv::CAP_ANY);
	if (!video.isOpened())
	{
		std::fprintf(stderr, "%s: cannot read the video\n", argv[1]);
		return 1;
	}
	long count = 0;
	cv::Size size;
	bool written = wanted < 0;
	for (cv::Mat frame; video.read(frame); ++count)
	{
		size = frame.size();
		if (count == wanted)
		{
			written = cv::imwrite(argv[3], frame);
		}
	}
	std::printf("%ld frames of %dx%d\n", count, size.width, size.height);
	if (!written)
	{
		std::fprintf(stderr, "%s: no frame %ld written\n", argv[1], wanted);
		return 1;
	}
	return 0;
}
