#include "tracking/ScanEvent.h"

#include "tracking/RectifiedBoard.h"

Event scanEvent(const RectifiedBoard& board, bool found)
{
	Event event("scan");
	event.set("ok", found);
	if (!found)
	{
		return event;
	}
	std::vector<double> homography;
	const cv::Mat& h = board.homography;
	for (int row = 0; row < h.rows; ++row)
	{
		for (int col = 0; col < h.cols; ++col)
		{
			homography.push_back(h.at<double>(row, col));
		}
	}
	event.set("homography", homography)
		.set("portalVisible", board.portalVisible)
		.set("portalCorners", board.portalCorners)
		.set("innerCorners", board.innerCorners);
	return event;
}
