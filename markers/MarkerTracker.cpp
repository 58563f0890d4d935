#include "markers/MarkerTracker.h"

#include "platform/FrameSource.h"
#include "markers/VideoConfigFile.h"

#include <cstdio>

int MarkerTracker::arVideoOpen(const char* config)
{
	cv::Size size;
	std::string error;
	if (!readVideoConfig(videoConfigPath(config), size, error))
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return -1;
	}
	configuredSize = size;
	videoOpen = true;
	return 0;
}

int MarkerTracker::arVideoInqSize(int* x, int* y)
{
	if (!videoOpen)
	{
		return -1;
	}
	cv::Size size = configuredSize;
	if (frames != nullptr && frames->isOpened() && !frames->frameSize().empty())
	{
		size = frames->frameSize();
	}
	*x = size.width;
	*y = size.height;
	return 0;
}

int MarkerTracker::arVideoCapNext()
{
	return videoOpen ? 0 : -1;
}

int MarkerTracker::arVideoCapStop()
{
	return videoOpen ? 0 : -1;
}

int MarkerTracker::arVideoClose()
{
	if (!videoOpen)
	{
		return -1;
	}
	videoOpen = false;
	return 0;
}

int MarkerTracker::arInitCparam(ARParam* param)
{
	camera = *param;
	return 0;
}

ARMultiMarkerInfoT* MarkerTracker::arMultiReadConfigFile(const char* filename)
{
	auto set = std::make_unique<ARMultiMarkerInfoT>();
	std::string error;
	if (!readMultiMarkerConfig(filename, *set, error))
	{
		std::fprintf(stderr, "%s\n", error.c_str());
		return nullptr;
	}
	for (ARMultiEachMarkerInfoT& marker : set->marker)
	{
		marker.patt_id = patternIndex(marker.pattern);
	}
	sets.push_back(std::move(set));
	return sets.back().get();
}

int MarkerTracker::patternIndex(const MarkerPattern& pattern)
{
	for (size_t i = 0; i < patterns.size(); ++i)
	{
		if (patterns[i].dictionary == pattern.dictionary && patterns[i].id == pattern.id)
		{
			return int(i);
		}
	}
	patterns.push_back(pattern);
	return int(patterns.size() - 1);
}

int MarkerTracker::arUtilTimerReset()
{
	timerStart = std::chrono::steady_clock::now();
	return 0;
}

double MarkerTracker::arUtilTimer() const
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now() - timerStart).count();
}

void MarkerTracker::argInit(ARParam*, double, int, int, int, int)
{
	displayOpen = true;
}
