#include "calibration/CharucoCalibration.h"

#include <opencv2/aruco/charuco.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace
{

/// The board in OpenCV's terms; poses come in the layout's unit.
cv::Ptr<cv::aruco::CharucoBoard> makeBoard(const CharucoLayout& layout)
{
	return cv::aruco::CharucoBoard::create(layout.squaresX, layout.squaresY, float(layout.squareSide),
		float(layout.markerSide), cv::aruco::getPredefinedDictionary(cv::aruco::DICT_5X5_100));
}

}  // namespace

cv::Mat renderCharucoBoard(const CharucoLayout& layout, double pixelsPerUnit)
{
	// Half a square of white round the chessboard, which the detector needs
	// to see the outer squares' edges.
	const double margin = layout.squareSide / 2.0;
	const cv::Size size(int(std::lround((layout.squaresX * layout.squareSide + 2.0 * margin) * pixelsPerUnit)),
		int(std::lround((layout.squaresY * layout.squareSide + 2.0 * margin) * pixelsPerUnit)));
	cv::Mat image;
	makeBoard(layout)->draw(size, image, int(std::lround(margin * pixelsPerUnit)), 1);
	return image;
}

cv::Mat renderCharucoSheet(const CharucoLayout& layout, cv::Size2d sheetMm, double pixelsPerMm)
{
	const cv::Mat board = renderCharucoBoard(layout, pixelsPerMm);
	cv::Mat sheet(int(std::lround(sheetMm.height * pixelsPerMm)), int(std::lround(sheetMm.width * pixelsPerMm)),
		CV_8UC1, cv::Scalar(255));
	if (board.cols > sheet.cols || board.rows > sheet.rows)
	{
		return board;
	}
	board.copyTo(sheet(cv::Rect((sheet.cols - board.cols) / 2, (sheet.rows - board.rows) / 2, board.cols, board.rows)));
	return sheet;
}

CharucoView findCharucoCorners(const CharucoLayout& layout, const cv::Mat& photo, int minCorners)
{
	CharucoView view;
	if (photo.empty())
	{
		return view;
	}
	cv::Mat grey = photo;
	if (photo.channels() == 3)
	{
		cv::cvtColor(photo, grey, cv::COLOR_BGR2GRAY);
	}
	const cv::Ptr<cv::aruco::CharucoBoard> board = makeBoard(layout);
	std::vector<std::vector<cv::Point2f>> markerCorners;
	std::vector<int> markerIds;
	cv::aruco::detectMarkers(grey, board->dictionary, markerCorners, markerIds);
	if (markerIds.empty())
	{
		return view;
	}
	cv::aruco::interpolateCornersCharuco(markerCorners, markerIds, grey, board, view.corners, view.ids);
	if (int(view.ids.size()) < minCorners)
	{
		return CharucoView();
	}
	return view;
}

CharucoView findSoftCharucoCorners(const CharucoLayout& layout, const cv::Mat& photo, const cv::Mat& smoothed)
{
	CharucoView view;
	if (photo.empty() || photo.type() != CV_8UC1 || smoothed.size() != photo.size() || smoothed.type() != CV_8UC1)
	{
		return view;
	}
	const cv::Ptr<cv::aruco::CharucoBoard> board = makeBoard(layout);
	cv::Ptr<cv::aruco::DetectorParameters> soft = cv::aruco::DetectorParameters::create();
	// A cell's middle third, sampled finely: its blurred edges decide no bit.
	soft->perspectiveRemoveIgnoredMarginPerCell = 0.3;
	soft->perspectiveRemovePixelPerCell = 8;
	std::vector<std::vector<cv::Point2f>> markerCorners;
	std::vector<int> markerIds;
	for (const cv::Mat* picture : {&photo, &smoothed})
	{
		std::vector<std::vector<cv::Point2f>> corners;
		std::vector<int> ids;
		cv::aruco::detectMarkers(*picture, board->dictionary, corners, ids, soft);
		for (size_t i = 0; i < ids.size(); ++i)
		{
			if (std::find(markerIds.begin(), markerIds.end(), ids[i]) == markerIds.end())
			{
				markerIds.push_back(ids[i]);
				markerCorners.push_back(corners[i]);
			}
		}
	}
	if (!markerIds.empty())
	{
		cv::aruco::interpolateCornersCharuco(markerCorners, markerIds, photo, board, view.corners, view.ids);
	}
	return view;
}

TargetView charucoTargetView(const CharucoLayout& layout, const CharucoView& view)
{
	const cv::Ptr<cv::aruco::CharucoBoard> board = makeBoard(layout);
	TargetView target;
	for (size_t i = 0; i < view.ids.size(); ++i)
	{
		if (view.ids[i] >= 0 && size_t(view.ids[i]) < board->chessboardCorners.size())
		{
			target.onTarget.push_back(board->chessboardCorners[size_t(view.ids[i])]);
			target.inPhoto.push_back(view.corners[i]);
		}
	}
	return target;
}
