#include "calibration/CalibrationTarget.h"

#include "colour/PaperWhite.h"

#include <opencv2/imgproc.hpp>

TargetView CalibrationTarget::find(const cv::Mat& photo, bool live) const
{
	TargetView view = findAsSeen(photo, live);
	if (int(view.inPhoto.size()) == cornerCount() || photo.empty())
	{
		return view;
	}
	cv::Mat colour = photo.clone();
	if (colour.channels() == 1)
	{
		cv::cvtColor(photo, colour, cv::COLOR_GRAY2BGR);
	}
	PaperWhite::readAsNeutral(colour, cv::Mat(colour.size(), CV_8UC1, cv::Scalar(255)));
	TargetView again = findAsSeen(colour, live);
	return again.inPhoto.size() > view.inPhoto.size() ? again : view;
}

TargetView CalibrationTarget::findAsSeen(const cv::Mat& photo, bool live) const
{
	if (m_isChessboard)
	{
		return findChessboardView(m_chessboard, photo, live);
	}
	return charucoTargetView(m_board, findCharucoCorners(m_board, photo));
}
