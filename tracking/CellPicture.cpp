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

	// Sums in whole numbers and the brightest sample of each cell, a sweep of
	// the sampled rows; the means and the clipped channels from them after.
	struct Cell
	{
		int sum[3] = {0, 0, 0};
		uchar brightest[3] = {0, 0, 0};
		int counted = 0;
		int skipped = 0;
	};
	std::vector<Cell> cells(size_t(rows * columns));
	std::vector<int> sampleX;
	std::vector<int> sampleCell;
	for (int x = step / 2; x < frame.cols; x += step)
	{
		sampleX.push_back(x);
		sampleCell.push_back(x * columns / frame.cols);
	}
	const auto take = [](Cell& cell, const cv::Vec3b& p) {
		cell.sum[0] += p[0];
		cell.sum[1] += p[1];
		cell.sum[2] += p[2];
		cell.brightest[0] = p[0] > cell.brightest[0] ? p[0] : cell.brightest[0];
		cell.brightest[1] = p[1] > cell.brightest[1] ? p[1] : cell.brightest[1];
		cell.brightest[2] = p[2] > cell.brightest[2] ? p[2] : cell.brightest[2];
		cell.counted += 1;
	};
	const size_t samples = sampleX.size();
	for (int y = step / 2; y < frame.rows; y += step)
	{
		const cv::Vec3b* pixel = frame.ptr<cv::Vec3b>(y);
		Cell* row = &cells[size_t((y * rows / frame.rows) * columns)];
		if (!masked)
		{
			for (size_t k = 0; k < samples; ++k)
			{
				take(row[sampleCell[k]], pixel[sampleX[k]]);
			}
			continue;
		}
		const uchar* leave = ignored.ptr<uchar>(y);
		for (size_t k = 0; k < samples; ++k)
		{
			Cell& cell = row[sampleCell[k]];
			if (leave[sampleX[k]] != 0)
			{
				cell.skipped += 1;
			}
			else
			{
				take(cell, pixel[sampleX[k]]);
			}
		}
	}
	means.create(rows, columns, CV_32FC3);
	clip.create(rows, columns, CV_8UC3);
	left = cv::Mat::zeros(rows, columns, CV_8UC1);
	for (int i = 0; i < rows * columns; ++i)
	{
		const Cell& cell = cells[size_t(i)];
		const float scale = 1.0f / float(std::max(1, cell.counted));
		for (int c = 0; c < 3; ++c)
		{
			means.at<cv::Vec3f>(i)[c] = float(cell.sum[c]) * scale;
			clip.at<cv::Vec3b>(i)[c] = cell.brightest[c] >= clippedLevel ? 255 : 0;
		}
		if (cell.counted == 0 || cell.skipped > cell.counted)
		{
			left.at<uchar>(i) = 255;
		}
	}
}
