#include "analysis/InkLearning.h"

#include "colour/PaperWhite.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace
{

/// A place differs from the paper as ink when its distance from the
/// reference white (darker luma, and colour counted twice, as a pale
/// highlighter differs from paper mostly in colour) is at least this.
constexpr float inkDistance = 40.0f;
/// Opening with this square leaves what is wider than any pen line: the
/// markers, the card, a hand.
constexpr int widerThanLines = 9;
/// The middle of a line: a place at least this share of the largest distance
/// within two places of it.
constexpr float lineMiddle = 0.7f;
/// An ink of fewer middle places than this is no sample (a ring of the
/// templates' size drawn with a 4-pixel pen has about 350).
constexpr size_t fewestPlaces = 100;
/// The two inks' brightness differs by at least this, and yellow lies at
/// least this far from grey in its most distant colour difference (Cr or Cb).
constexpr double inksApart = 40.0;
constexpr double yellowFromGrey = 12.0;
/// The class is the box round the 2nd to the 98th percentile of the ink's
/// places, widened by this much for other light, other paper and noise.
constexpr double lowShare = 0.02;
constexpr double highShare = 0.98;
constexpr int lumaRoom = 30;
constexpr int colourRoom = 8;

using Places = std::vector<cv::Vec3b>;

/// The value of channel `c` below which `share` of the places lie.
int percentile(const Places& places, int c, double share)
{
	std::vector<uchar> values;
	values.reserve(places.size());
	for (const cv::Vec3b& p : places)
	{
		values.push_back(p[c]);
	}
	const auto at = values.begin() + long(share * double(values.size() - 1));
	std::nth_element(values.begin(), at, values.end());
	return *at;
}

ColourRange boxRound(const Places& places)
{
	const auto bound = [&](int c, double share, int room) { return std::clamp(percentile(places, c, share) + room, 0, 255); };
	return {{bound(0, lowShare, -lumaRoom), bound(1, lowShare, -colourRoom), bound(2, lowShare, -colourRoom)},
		{bound(0, highShare, lumaRoom), bound(1, highShare, colourRoom), bound(2, highShare, colourRoom)}};
}

/// The middle places of the lines drawn on the board, in YCrCb.
Places lineMiddles(const cv::Mat& ycrcb)
{
	cv::Mat distance(ycrcb.size(), CV_32F);
	const float white = float(PaperWhite::referenceWhite);
	for (int y = 0; y < ycrcb.rows; ++y)
	{
		const cv::Vec3b* p = ycrcb.ptr<cv::Vec3b>(y);
		float* d = distance.ptr<float>(y);
		for (int x = 0; x < ycrcb.cols; ++x)
		{
			const float darker = std::max(white - float(p[x][0]), 0.0f);
			const float cr = float(p[x][1]) - 128.0f, cb = float(p[x][2]) - 128.0f;
			d[x] = std::sqrt(darker * darker + 4.0f * (cr * cr + cb * cb));
		}
	}
	const cv::Mat ink = distance >= inkDistance;
	cv::Mat wide, around;
	cv::morphologyEx(ink, wide, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, {widerThanLines, widerThanLines}));
	cv::dilate(wide, wide, cv::getStructuringElement(cv::MORPH_RECT, {widerThanLines, widerThanLines}));
	cv::dilate(distance, around, cv::getStructuringElement(cv::MORPH_RECT, {5, 5}));
	const cv::Mat middle = ink & ~wide & (distance >= around * lineMiddle);
	Places places;
	for (int y = 0; y < ycrcb.rows; ++y)
	{
		const uchar* m = middle.ptr<uchar>(y);
		const cv::Vec3b* p = ycrcb.ptr<cv::Vec3b>(y);
		for (int x = 0; x < ycrcb.cols; ++x)
		{
			if (m[x] != 0)
			{
				places.push_back(p[x]);
			}
		}
	}
	return places;
}

}  // namespace

bool learnOwnInks(const cv::Mat& colours, OwnInks& inks, std::string& error)
{
	CV_Assert(colours.type() == CV_8UC3);
	inks = OwnInks();
	cv::Mat ycrcb;
	cv::cvtColor(colours, ycrcb, cv::COLOR_BGR2YCrCb);
	const Places places = lineMiddles(ycrcb);
	if (places.size() < 2 * fewestPlaces)
	{
		error = "no sample found: draw a ring or a few strokes of your black and of your yellow";
		return false;
	}

	// The two inks by brightness, split where Otsu's method divides it best.
	cv::Mat luma(1, int(places.size()), CV_8U);
	for (size_t i = 0; i < places.size(); ++i)
	{
		luma.at<uchar>(int(i)) = places[i][0];
	}
	cv::Mat split;
	const double divide = cv::threshold(luma, split, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
	Places black, yellow;
	for (const cv::Vec3b& p : places)
	{
		(p[0] > divide ? yellow : black).push_back(p);
	}
	const auto median = [](const Places& some, int c) { return double(percentile(some, c, 0.5)); };
	if (black.size() < fewestPlaces || yellow.size() < fewestPlaces || median(yellow, 0) - median(black, 0) < inksApart)
	{
		error = "the sample shows one ink only: draw a ring or a few strokes of your black and of your yellow";
		return false;
	}
	const double crFromGrey = median(yellow, 1) - 128.0, cbFromGrey = median(yellow, 2) - 128.0;
	if (std::max(std::abs(crFromGrey), std::abs(cbFromGrey)) < yellowFromGrey)
	{
		error = "the brighter ink is too near grey to tell from paper: is it a yellow highlighter?";
		return false;
	}

	inks.black = boxRound(black);
	inks.black.low.y = 0;
	inks.black.high.y = std::min(inks.black.high.y, ownBlackBrightest);
	inks.yellow = boxRound(yellow);
	inks.yellow.high.y = 255;
	// Away from grey in the colour difference it is farthest in, so that no
	// paper is yellow.
	if (std::abs(crFromGrey) >= std::abs(cbFromGrey))
	{
		(crFromGrey > 0 ? inks.yellow.low.cr : inks.yellow.high.cr) = crFromGrey > 0
			? std::max(inks.yellow.low.cr, 128 + ownYellowFromGrey + 1)
			: std::min(inks.yellow.high.cr, 128 - ownYellowFromGrey - 1);
	}
	else
	{
		(cbFromGrey > 0 ? inks.yellow.low.cb : inks.yellow.high.cb) = cbFromGrey > 0
			? std::max(inks.yellow.low.cb, 128 + ownYellowFromGrey + 1)
			: std::min(inks.yellow.high.cb, 128 - ownYellowFromGrey - 1);
	}
	for (const auto& [name, range] : {std::make_pair("black", inks.black), std::make_pair("yellow", inks.yellow)})
	{
		const std::string why = whyUnusable(name, range);
		if (!why.empty())
		{
			error = std::string("the ") + name + " sample cannot be used: " + why;
			return false;
		}
	}
	inks.hasBlack = inks.hasYellow = true;
	return true;
}
