#include "tracking/ScanEvent.h"

#include "tracking/BoardScanner.h"

Event scanEvent(const BoardScanner& scanner, bool found)
{
	Event event("scan");
	event.set("ok", found);
	if (!found)
	{
		return event;
	}
	std::vector<double> homography;
	const cv::Mat h = scanner.homography;
	for (int row = 0; row < h.rows; ++row)
	{
		for (int col = 0; col < h.cols; ++col)
		{
			homography.push_back(h.at<double>(row, col));
		}
	}
	event.set("homography", homography)
		.set("portalVisible", scanner.portalVisible)
		.set("portalCorners", scanner.portalCorners)
		.set("innerCorners", scanner.boardInnerCorners);
	return event;
}
