#include "calibration/ChessboardTarget.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>

TargetView findChessboardView(const ChessboardLayout& layout, const cv::Mat& photo, bool quick)
{
	TargetView view;
	if (photo.empty() || layout.innerCorners.width < 3 || layout.innerCorners.height < 3)
	{
		return view;
	}
	cv::Mat grey = photo;
	if (photo.channels() == 3)
	{
		cv::cvtColor(photo, grey, cv::COLOR_BGR2GRAY);
	}
	const int flags = cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE | (quick ? cv::CALIB_CB_FAST_CHECK : 0);
	std::vector<cv::Point2f> corners;
	if (!cv::findChessboardCorners(grey, layout.innerCorners, corners, flags))
	{
		return view;
	}
	// The corner search places corners to about a pixel; the saddle point of
	// the four squares round each, searched within a few pixels, is sharper.
	// The window stays inside half a square, so no other corner falls in it.
	const double squarePixels = std::min(cv::norm(corners[1] - corners[0]),
		cv::norm(corners[size_t(layout.innerCorners.width)] - corners[0]));
	const int halfWindow = std::max(2, std::min(11, int(squarePixels / 2.0) - 1));
	cv::cornerSubPix(grey, corners, cv::Size(halfWindow, halfWindow), cv::Size(-1, -1),
		cv::TermCriteria(cv::TermCriteria::EPS + cv::TermCriteria::COUNT, 30, 0.01));
	for (int row = 0; row < layout.innerCorners.height; ++row)
	{
		for (int col = 0; col < layout.innerCorners.width; ++col)
		{
			view.onTarget.emplace_back(float(col * layout.squareMm), float(row * layout.squareMm), 0.0f);
		}
	}
	view.inPhoto = corners;
	return view;
}
