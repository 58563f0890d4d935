#include "analysis/GapClosing.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// Two ends of one line this many gap lengths or more apart along it are the
/// ends of an arc that nearly closes; nearer, they are a short line or a spur.
constexpr double arcLengthInGaps = 4.0;

struct LineEnd
{
	cv::Point at;
	int line;
	bool joined = false;
};

/// Where a line ends: a set pixel whose set neighbours, one or two of them,
/// touch each other (one run of set pixels round it), with the line it
/// belongs to. Thinning leaves some ends two pixels wide at a diagonal step.
std::vector<LineEnd> lineEnds(const cv::Mat& skeleton, const cv::Mat& lines)
{
	// Neighbours clockwise from the one above.
	static const cv::Point around[8] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
	std::vector<LineEnd> ends;
	for (int y = 1; y + 1 < skeleton.rows; ++y)
	{
		const uchar* row = skeleton.ptr<uchar>(y);
		for (int x = 1; x + 1 < skeleton.cols; ++x)
		{
			if (row[x] == 0)
			{
				continue;
			}
			int set = 0, runs = 0;
			for (int k = 0; k < 8; ++k)
			{
				const bool here = skeleton.at<uchar>(cv::Point(x, y) + around[k]) != 0;
				const bool next = skeleton.at<uchar>(cv::Point(x, y) + around[(k + 1) % 8]) != 0;
				set += here ? 1 : 0;
				runs += !here && next ? 1 : 0;
			}
			if (runs == 1 && set <= 2)
			{
				ends.push_back({cv::Point(x, y), lines.at<int>(y, x)});
			}
		}
	}
	return ends;
}

/// True when `to` can be reached from `from` along the set pixels of the
/// skeleton in at most `steps` steps (8-connected).
bool nearAlongLine(const cv::Mat& skeleton, cv::Point from, cv::Point to, int steps)
{
	std::vector<cv::Point> front{from}, next;
	std::vector<cv::Point> seen{from};
	for (int step = 0; step < steps && !front.empty(); ++step)
	{
		next.clear();
		for (const cv::Point& p : front)
		{
			for (int dy = -1; dy <= 1; ++dy)
			{
				for (int dx = -1; dx <= 1; ++dx)
				{
					const cv::Point q(p.x + dx, p.y + dy);
					if (!cv::Rect(0, 0, skeleton.cols, skeleton.rows).contains(q) || skeleton.at<uchar>(q) == 0
						|| std::find(seen.begin(), seen.end(), q) != seen.end())
					{
						continue;
					}
					if (q == to)
					{
						return true;
					}
					seen.push_back(q);
					next.push_back(q);
				}
			}
		}
		front.swap(next);
	}
	return false;
}

}  // namespace

int closeSmallGaps(cv::Mat& skeleton, double maxGap)
{
	CV_Assert(skeleton.type() == CV_8UC1);
	if (skeleton.empty())
	{
		return 0;
	}
	cv::Mat lines;
	cv::connectedComponents(skeleton, lines, 8, CV_32S);
	std::vector<LineEnd> ends = lineEnds(skeleton, lines);
	const int minimumArc = int(arcLengthInGaps * maxGap);

	int closed = 0;
	for (LineEnd& end : ends)
	{
		if (end.joined)
		{
			continue;
		}
		LineEnd* nearest = nullptr;
		double nearestDistance = maxGap;
		for (LineEnd& other : ends)
		{
			const double distance = cv::norm(other.at - end.at);
			const bool sameLine = other.line == end.line;
			// Two ends of one line are a gap to close only when the line runs a
			// long way round between them; otherwise they are a short line, or
			// a spur and the tip it branches from.
			if (&other == &end || other.joined || distance > nearestDistance
				|| (sameLine && nearAlongLine(skeleton, end.at, other.at, minimumArc)))
			{
				continue;
			}
			nearest = &other;
			nearestDistance = distance;
		}
		if (nearest != nullptr)
		{
			cv::line(skeleton, end.at, nearest->at, cv::Scalar(255), 1, cv::LINE_8);
			end.joined = true;
			nearest->joined = true;
			++closed;
		}
	}
	return closed;
}

int fillPinholes(cv::Mat& mask, double maxArea)
{
	CV_Assert(mask.type() == CV_8UC1);
	if (mask.empty())
	{
		return 0;
	}
	std::vector<std::vector<cv::Point>> contours;
	std::vector<cv::Vec4i> hierarchy;
	cv::findContours(mask.clone(), contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_NONE);
	int filled = 0;
	for (size_t i = 0; i < contours.size(); ++i)
	{
		// In the two-level hierarchy, contours with a parent are holes.
		const bool hole = hierarchy[i][3] >= 0;
		// The boundary of a hole runs over the set pixels round it: a pinhole
		// of a pixel or two has a boundary box of three or four.
		const cv::Rect box = cv::boundingRect(contours[i]);
		const double side = 2.0 + std::sqrt(maxArea);
		if (hole && box.width <= side && box.height <= side && cv::contourArea(contours[i]) <= maxArea)
		{
			cv::drawContours(mask, contours, int(i), cv::Scalar(255), cv::FILLED);
			++filled;
		}
	}
	return filled;
}
