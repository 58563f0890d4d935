#include "markers/ARMultiMarker.h"

#include <opencv2/aruco.hpp>

cv::Mat markerCells(const MarkerPattern& pattern)
{
	const cv::Ptr<cv::aruco::Dictionary> codes = cv::aruco::getPredefinedDictionary(pattern.dictionary);
	cv::Mat cells;
	codes->drawMarker(pattern.id, codes->markerSize + 2, cells, 1);
	return cells;
}
