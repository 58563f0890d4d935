#include "analysis/FineLines.h"

#include "analysis/ColourRanges.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <memory>
#include <numeric>
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

bool valleyBottom(const cv::Mat& luma, cv::Point p)
{
	static const cv::Point across[] = {{2, 0}, {0, 2}, {2, 2}, {2, -2}};
	const int here = luma.at<uchar>(p);
	for (const cv::Point& d : across)
	{
		if (std::min(luma.at<uchar>(p - d), luma.at<uchar>(p + d)) - here >= valleyDepth)
		{
			return true;
		}
	}
	return false;
}

bool withoutColour(const cv::Vec3b& ycrcb)
{
	return std::abs(ycrcb[1] - 128) <= fineLineChroma && std::abs(ycrcb[2] - 128) <= fineLineChroma;
}

int root(std::vector<int>& parent, int i)
{
	while (parent[size_t(i)] != i)
	{
		parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
		i = parent[size_t(i)];
	}
	return i;
}

/// The black a short piece of fine line touches, told apart where it lies:
/// the black within `nearby` places of the piece, in pieces of its own. Two
/// strokes a marker running dry leaves apart are two pieces here, and so
/// are the two ends of a ring that do not quite meet, which are one piece of
/// the whole board's black, joined the long way round. The side or the tip
/// of one stroke is one piece.
class BlackNearPiece
{
public:
	BlackNearPiece(const cv::Mat& black, const cv::Rect& piece)
	{
		window = cv::Rect(piece.tl() - cv::Point(nearby, nearby), piece.br() + cv::Point(nearby, nearby))
			& cv::Rect(0, 0, black.cols, black.rows);
		cv::connectedComponents(black(window), labels, 8, CV_32S);
	}

	/// The piece of black at `p` (in the board's places, beside the piece):
	/// 0 for no black there, else a number of its own.
	int at(cv::Point p) const
	{
		return window.contains(p) ? labels.at<int>(p - window.tl()) : 0;
	}

private:
	/// The places round the piece looked at: the black it touches lies within
	/// one, and two more keep a stroke's side whole where it runs past a
	/// corner of the window.
	static constexpr int nearby = 3;

	cv::Rect window;
	cv::Mat labels;
};

}  // namespace

cv::Mat fineDarkLines(const cv::Mat& ycrcb, const cv::Mat& black)
{
	CV_Assert(ycrcb.type() == CV_8UC3 && black.type() == CV_8UC1 && black.size() == ycrcb.size());
	cv::Mat lines(ycrcb.size(), CV_8U, cv::Scalar(0));
	if (ycrcb.rows <= 4 || ycrcb.cols <= 4)
	{
		return lines;
	}
	cv::Mat luma, paper, candidates;
	cv::extractChannel(ycrcb, luma, 0);
	cv::morphologyEx(luma, paper, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, {lineCover, lineCover}));
	cv::compare(paper - luma, fineLineContrast, candidates, cv::CMP_GE);
	candidates.setTo(0, black);
	// The valley test looks two places to each side.
	const cv::Rect inner(2, 2, ycrcb.cols - 4, ycrcb.rows - 4);
	std::vector<cv::Point> found;
	cv::findNonZero(candidates(inner), found);
	std::vector<cv::Point> places;
	for (cv::Point p : found)
	{
		p += inner.tl();
		if (withoutColour(ycrcb.at<cv::Vec3b>(p)) && valleyBottom(luma, p))
		{
			places.push_back(p);
		}
	}

	// The places' 8-connected pieces, in raster order as they were found.
	cv::Mat index(ycrcb.size(), CV_32S, cv::Scalar(-1));
	std::vector<int> parent(places.size());
	std::iota(parent.begin(), parent.end(), 0);
	for (size_t i = 0; i < places.size(); ++i)
	{
		const cv::Point p = places[i];
		index.at<int>(p) = int(i);
		for (const cv::Point& before : {cv::Point(-1, 0), cv::Point(-1, -1), cv::Point(0, -1), cv::Point(1, -1)})
		{
			const int other = index.at<int>(p + before);
			if (other >= 0)
			{
				parent[size_t(root(parent, other))] = root(parent, int(i));
			}
		}
	}
	std::vector<int> size(places.size(), 0);
	for (size_t i = 0; i < places.size(); ++i)
	{
		++size[size_t(root(parent, int(i)))];
	}

	// Lines and bridges, not specks: a short piece is kept when the black
	// round it is apart there, two pieces of black or two ends of one.
	std::vector<cv::Rect> extent(places.size());
	std::vector<bool> touchesBlack(places.size(), false);
	for (size_t i = 0; i < places.size(); ++i)
	{
		const int piece = root(parent, int(i));
		if (size[size_t(piece)] < shortestFineLine)
		{
			extent[size_t(piece)] |= cv::Rect(places[i], cv::Size(1, 1));
			touchesBlack[size_t(piece)] = touchesBlack[size_t(piece)]
				|| cv::countNonZero(black(cv::Rect(places[i] - cv::Point(1, 1), cv::Size(3, 3)))) > 0;
		}
	}
	std::vector<std::unique_ptr<BlackNearPiece>> around(places.size());
	std::vector<int> firstPiece(places.size(), 0);
	std::vector<bool> bridge(places.size(), false);
	for (size_t i = 0; i < places.size(); ++i)
	{
		const size_t piece = size_t(root(parent, int(i)));
		if (!touchesBlack[piece])
		{
			continue;
		}
		if (!around[piece])
		{
			around[piece] = std::make_unique<BlackNearPiece>(black, extent[piece]);
		}
		for (int k = 0; !bridge[piece] && k < 9; ++k)
		{
			const int touched = around[piece]->at(places[i] + cv::Point(k % 3 - 1, k / 3 - 1));
			if (touched == 0)
			{
				continue;
			}
			int& first = firstPiece[piece];
			bridge[piece] = first != 0 && first != touched;
			first = first == 0 ? touched : first;
		}
	}
	for (size_t i = 0; i < places.size(); ++i)
	{
		const int piece = root(parent, int(i));
		if (size[size_t(piece)] >= shortestFineLine || bridge[size_t(piece)])
		{
			lines.at<uchar>(places[i]) = 255;
		}
	}
	return lines;
}
