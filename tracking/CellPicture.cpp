#include "tracking/CellPicture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// Sampled pixels per cell side: 5 x 5 a cell.
constexpr int samplesAcross = 5;

}  // namespace

cv::Size CellPicture::gridOf(cv::Size frame)
{
	return cv::Size(columns, std::max(1, int(std::lround(double(columns) * frame.height / std::max(1, frame.width)))));
}

CellPicture::CellPicture(const cv::Mat& frame, const cv::Mat& ignored)
{
	if (frame.empty() || frame.type() != CV_8UC3 || frame.cols < columns || frame.rows < 2)
	{
		return;
	}
	size = frame.size();
	const int rows = gridOf(frame.size()).height;
	// Square cells, sampled about samplesAcross times along each side.
	const int step = std::max(1, frame.cols / (columns * samplesAcross));
	const bool masked = !ignored.empty() && ignored.type() == CV_8UC1 && ignored.size() == frame.size();

	means = cv::Mat::zeros(rows, columns, CV_32FC3);
	clip = cv::Mat::zeros(rows, columns, CV_8UC3);
	std::vector<int> counted(size_t(rows * columns), 0);
	std::vector<int> skipped(size_t(rows * columns), 0);
	std::vector<int> column(size_t(frame.cols));
	for (int x = 0; x < frame.cols; ++x)
	{
		column[size_t(x)] = x * columns / frame.cols;
	}
	for (int y = step / 2; y < frame.rows; y += step)
	{
		const int row = y * rows / frame.rows;
		const cv::Vec3b* pixel = frame.ptr<cv::Vec3b>(y);
		const uchar* leave = masked ? ignored.ptr<uchar>(y) : nullptr;
		cv::Vec3f* sum = means.ptr<cv::Vec3f>(row);
		cv::Vec3b* clipped = clip.ptr<cv::Vec3b>(row);
		int* count = &counted[size_t(row * columns)];
		int* skip = &skipped[size_t(row * columns)];
		for (int x = step / 2; x < frame.cols; x += step)
		{
			const int cell = column[size_t(x)];
			if (leave != nullptr && leave[x] != 0)
			{
				skip[cell] += 1;
				continue;
			}
			const cv::Vec3b& p = pixel[x];
			sum[cell] += cv::Vec3f(p[0], p[1], p[2]);
			count[cell] += 1;
			for (int c = 0; c < 3; ++c)
			{
				clipped[cell][c] |= p[c] >= clippedLevel ? 255 : 0;
			}
		}
	}
	left = cv::Mat::zeros(rows, columns, CV_8UC1);
	for (int i = 0; i < rows * columns; ++i)
	{
		const int n = counted[size_t(i)];
		means.at<cv::Vec3f>(i) *= 1.0f / float(std::max(1, n));
		if (n == 0 || skipped[size_t(i)] > n)
		{
			left.at<uchar>(i) = 255;
		}
	}
}
