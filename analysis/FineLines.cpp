#include "analysis/FineLines.h"

#include "analysis/ColourRanges.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <set>
#include <vector>

namespace
{

/// Closing with this square fills lines up to 4 pixels wide with the paper
/// beside them: what it adds is how much darker a place is than that paper.
constexpr int lineCover = 5;

/// A valley's bottom is this much darker than both sides two pixels away:
/// half the contrast a line needs, so the edge of a wide stroke, brighter on
/// one side only, is none.
constexpr int valleyDepth = fineLineContrast / 2;

bool valleyBottom(const cv::Mat& luma, int x, int y)
{
	static const cv::Point across[] = {{2, 0}, {0, 2}, {2, 2}, {2, -2}};
	const int here = luma.at<uchar>(y, x);
	for (const cv::Point& d : across)
	{
		const cv::Point a(x - d.x, y - d.y), b(x + d.x, y + d.y);
		if (std::min(luma.at<uchar>(a), luma.at<uchar>(b)) - here >= valleyDepth)
		{
			return true;
		}
	}
	return false;
}

}  // namespace

cv::Mat fineDarkLines(const cv::Mat& ycrcb, const cv::Mat& black)
{
	CV_Assert(ycrcb.type() == CV_8UC3 && black.type() == CV_8UC1 && black.size() == ycrcb.size());
	cv::Mat planes[3];
	cv::split(ycrcb, planes);
	const cv::Mat& luma = planes[0];
	cv::Mat paper;
	cv::morphologyEx(luma, paper, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, {lineCover, lineCover}));

	cv::Mat lines(luma.size(), CV_8U, cv::Scalar(0));
	for (int y = 2; y + 2 < luma.rows; ++y)
	{
		const uchar* level = luma.ptr<uchar>(y);
		const uchar* around = paper.ptr<uchar>(y);
		const uchar* cr = planes[1].ptr<uchar>(y);
		const uchar* cb = planes[2].ptr<uchar>(y);
		uchar* out = lines.ptr<uchar>(y);
		for (int x = 2; x + 2 < luma.cols; ++x)
		{
			if (black.at<uchar>(y, x) == 0 && around[x] - level[x] >= fineLineContrast && std::abs(cr[x] - 128) <= fineLineChroma
				&& std::abs(cb[x] - 128) <= fineLineChroma && valleyBottom(luma, x, y))
			{
				out[x] = 255;
			}
		}
	}

	// Lines and bridges, not specks.
	cv::Mat labels, stats, centroids, pieces;
	const int count = cv::connectedComponentsWithStats(lines, labels, stats, centroids, 8, CV_32S);
	cv::connectedComponents(black, pieces, 8, CV_32S);
	std::vector<std::set<int>> touched(size_t(std::max(count, 1)));
	for (int y = 1; y + 1 < lines.rows; ++y)
	{
		for (int x = 1; x + 1 < lines.cols; ++x)
		{
			const int label = labels.at<int>(y, x);
			for (int k = 0; label > 0 && k < 9; ++k)
			{
				const int piece = pieces.at<int>(y + k / 3 - 1, x + k % 3 - 1);
				if (piece > 0)
				{
					touched[size_t(label)].insert(piece);
				}
			}
		}
	}
	for (int y = 0; y < lines.rows; ++y)
	{
		const int* label = labels.ptr<int>(y);
		uchar* out = lines.ptr<uchar>(y);
		for (int x = 0; x < lines.cols; ++x)
		{
			const bool kept = label[x] > 0
				&& (stats.at<int>(label[x], cv::CC_STAT_AREA) >= shortestFineLine || touched[size_t(label[x])].size() >= 2);
			out[x] = kept ? 255 : 0;
		}
	}
	return lines;
}
