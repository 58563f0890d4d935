#include "markers/MarkerTracker.h"

#include <opencv2/aruco.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <set>

namespace
{

/// Fill in what the tracker reports besides the corners.
ARMarkerInfo describeMarker(int pattern, const std::vector<cv::Point2f>& corners)
{
	ARMarkerInfo info = {};
	info.id = pattern;
	info.dir = 0;
	info.cf = 1.0;
	info.area = int(cv::contourArea(corners));
	for (int i = 0; i < 4; ++i)
	{
		info.vertex[i][0] = corners[size_t(i)].x;
		info.vertex[i][1] = corners[size_t(i)].y;
		info.pos[0] += corners[size_t(i)].x / 4.0;
		info.pos[1] += corners[size_t(i)].y / 4.0;
	}
	for (int i = 0; i < 4; ++i)
	{
		const double* a = info.vertex[i];
		const double* b = info.vertex[(i + 1) % 4];
		info.line[i][0] = b[1] - a[1];
		info.line[i][1] = a[0] - b[0];
		info.line[i][2] = -(info.line[i][0] * a[0] + info.line[i][1] * a[1]);
	}
	return info;
}

}  // namespace

int MarkerTracker::arDetectMarker(ARUint8* dataPtr, int thresh, ARMarkerInfo** marker_info, int* marker_num)
{
	if (dataPtr == nullptr || camera.xsize <= 0 || camera.ysize <= 0 || thresh < 0 || thresh > 255)
	{
		return -1;
	}
	const cv::Mat pixels(camera.ysize, camera.xsize, CV_8UC4, dataPtr);
	cv::Mat grey;
	cv::cvtColor(pixels, grey, cv::COLOR_BGRA2GRAY);
	detected.clear();
	std::set<int> dictionaries;
	for (const MarkerPattern& pattern : patterns)
	{
		dictionaries.insert(pattern.dictionary);
	}
	for (int dictionary : dictionaries)
	{
		detectDictionary(grey, dictionary);
	}
	*marker_info = detected.data();
	*marker_num = int(detected.size());
	return 0;
}

void MarkerTracker::detectDictionary(const cv::Mat& grey, int dictionary)
{
	const cv::Ptr<cv::aruco::Dictionary> codes = cv::aruco::getPredefinedDictionary(dictionary);
	const cv::Ptr<cv::aruco::DetectorParameters> parameters = cv::aruco::DetectorParameters::create();
	std::vector<std::vector<cv::Point2f>> corners;
	std::vector<int> ids;
	if (arImageProcMode == AR_IMAGE_PROC_IN_HALF)
	{
		// Candidates are searched at half size; the corners are then found
		// again on the full image, so only speed is traded, not precision.
		cv::Mat half;
		cv::resize(grey, half, cv::Size(), 0.5, 0.5, cv::INTER_AREA);
		parameters->cornerRefinementMethod = cv::aruco::CORNER_REFINE_SUBPIX;
		parameters->cornerRefinementWinSize = 2;
		cv::aruco::detectMarkers(half, codes, corners, ids, parameters);
		for (auto& quad : corners)
		{
			for (cv::Point2f& corner : quad)
			{
				corner = corner * 2.0f + cv::Point2f(0.5f, 0.5f);
			}
		}
	}
	else
	{
		cv::aruco::detectMarkers(grey, codes, corners, ids, parameters);
	}
	for (size_t i = 0; i < ids.size(); ++i)
	{
		int pattern = -1;
		for (size_t p = 0; p < patterns.size(); ++p)
		{
			if (patterns[p].dictionary == dictionary && patterns[p].id == ids[i])
			{
				pattern = int(p);
			}
		}
		if (pattern < 0)
		{
			continue;  // a code of no loaded set
		}
		// The search window stays inside one cell of the code, so that the
		// next edge inside the code does not pull the corner.
		const double side = std::sqrt(cv::contourArea(corners[i]));
		const int window = std::clamp(int(side / (codes->markerSize + 2) / 2.0), 2, 5);
		cv::cornerSubPix(grey, corners[i], cv::Size(window, window), cv::Size(-1, -1),
			cv::TermCriteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01));
		detected.push_back(describeMarker(pattern, corners[i]));
	}
}
