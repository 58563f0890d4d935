#include "scenes/HandDrawing.h"

#include "scenes/SyntheticBoardCamera.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

/// One part of a hand: a limb from `from` to `to` (a disc at `from` when
/// `disc`), `size` thick (the disc's radius), in board pixels from the palm
/// for a hand of scale 1 whose arm comes in from the bottom.
struct HandPart
{
	cv::Point2f from;
	cv::Point2f to;
	float size;
	bool disc = false;
};

const cv::Point2f fingerTips[4] = {{-50.0f, -105.0f}, {-16.0f, -122.0f}, {18.0f, -118.0f}, {50.0f, -98.0f}};
const cv::Point2f thumbTip(-105.0f, -25.0f);
constexpr float fingerWidth = 23.0f;

/// Shapes are given for a scale of 1 and drawn larger: a hand that comes in
/// must change the picture by more than the motion threshold.
constexpr float grownUpScale = 1.3f;
constexpr float childScale = 0.8f;

/// The parts in the order they are painted.
std::vector<HandPart> partsOf(HandShape shape)
{
	std::vector<HandPart> parts;
	if (shape != HandShape::Fingers)
	{
		// The forearm comes in from below the board, slightly from the right.
		parts.push_back({{0.0f, 0.0f}, {90.0f, 500.0f}, 120.0f});
		parts.push_back({{0.0f, 0.0f}, {0.0f, 0.0f}, 58.0f, true});
	}
	for (const cv::Point2f& tip : fingerTips)
	{
		parts.push_back({{tip.x * 0.6f, -25.0f}, tip, fingerWidth});
	}
	if (shape != HandShape::Fingers)
	{
		parts.push_back({{-40.0f, 12.0f}, thumbTip, 25.0f});
	}
	return parts;
}

// A shaded hand: the back of the hand loses this share of its light at its
// very edge, less further in, none beyond `edgeRamp` board pixels (at scale 1).
constexpr double edgeDarkening = 0.3;
constexpr double edgeRamp = 14.0;
/// Nails mix this share of a light pink into the skin.
constexpr double nailLightening = 0.45;
const cv::Scalar nailPink(215, 215, 240);
/// Its own shadow's edge, unless the look says: this soft (sigma, board
/// pixels, at scale 1), the lamp as far above it as above the table.
constexpr double shadowSoftness = 6.0;
/// A Gaussian's rise from 10 % to 90 % is this many sigmas.
constexpr double tenToNinetySigmas = 2.56;

/// Where board points of a hand lie on the sheet, in the fixed-point sheet
/// pixels cv::line draws with, and how thick things are there.
class HandOnSheet
{
public:
	static constexpr int shift = 4;

	HandOnSheet(const SheetImage& sheet, const SyntheticBoardCamera& geometry, cv::Point2f palm, const HandLook& look)
		: sheet(sheet), geometry(geometry), palm(palm),
		  scale(look.shape == HandShape::Child ? childScale : grownUpScale)
	{
		sheetPerBoard = cv::norm(sheet.toPixel(geometry.boardToMm({1.0f, 0.0f}))
			- sheet.toPixel(geometry.boardToMm({0.0f, 0.0f})));
		const double turn = (look.from - 270.0) * CV_PI / 180.0;
		turned = look.from != 270.0;
		cosine = float(std::cos(turn));
		sine = float(std::sin(turn));
	}

	/// A point of the hand (at scale 1, from the palm) on the sheet, less `origin`.
	cv::Point at(cv::Point2f handPoint, cv::Point origin = cv::Point(), cv::Point2f offset = cv::Point2f()) const
	{
		cv::Point2f v = handPoint * scale;
		if (turned)
		{
			// Counter-clockwise as seen on the board, whose y runs down.
			v = cv::Point2f(v.x * cosine + v.y * sine, -v.x * sine + v.y * cosine);
		}
		const cv::Point2d p = sheet.toPixel(geometry.boardToMm(palm + v + offset)) * double(1 << shift);
		return cv::Point(int(std::lround(p.x)) - (origin.x << shift), int(std::lround(p.y)) - (origin.y << shift));
	}

	/// Sheet pixels of a width in board pixels at scale 1.
	int width(float boardPixels) const { return std::max(1, int(std::lround(boardPixels * scale * sheetPerBoard))); }
	int radius(float boardPixels) const { return int(std::lround(boardPixels * scale * sheetPerBoard * (1 << shift))); }
	double sheetPixels(double boardPixels) const { return boardPixels * scale * sheetPerBoard; }
	/// Sheet pixels of a length on the board, whatever the hand's scale.
	double sheetPixelsOnBoard(double boardPixels) const { return boardPixels * sheetPerBoard; }

	void paint(cv::Mat& image, const std::vector<HandPart>& parts, const cv::Scalar& colour,
		cv::Point origin = cv::Point(), cv::Point2f offset = cv::Point2f()) const
	{
		for (const HandPart& part : parts)
		{
			if (part.disc)
			{
				cv::circle(image, at(part.from, origin, offset), radius(part.size), colour, cv::FILLED, cv::LINE_AA,
					shift);
			}
			else
			{
				cv::line(image, at(part.from, origin, offset), at(part.to, origin, offset), colour, width(part.size),
					cv::LINE_AA, shift);
			}
		}
	}

	/// The sheet pixels the parts may touch, also shifted by `offset`, with a margin.
	cv::Rect bounds(const std::vector<HandPart>& parts, cv::Point2f offset, int margin) const
	{
		std::vector<cv::Point> corners;
		for (const HandPart& part : parts)
		{
			for (const cv::Point2f& end : {part.from, part.to})
			{
				for (const cv::Point2f& shifted : {cv::Point2f(), offset})
				{
					const cv::Point p = at(end, cv::Point(), shifted);
					const int reach = (part.disc ? radius(part.size) >> shift : width(part.size)) + margin;
					corners.emplace_back((p.x >> shift) - reach, (p.y >> shift) - reach);
					corners.emplace_back((p.x >> shift) + reach, (p.y >> shift) + reach);
				}
			}
		}
		return cv::boundingRect(corners) & cv::Rect(cv::Point(), sheet.image.size());
	}

private:
	const SheetImage& sheet;
	const SyntheticBoardCamera& geometry;
	cv::Point2f palm;
	float scale;
	double sheetPerBoard = 1.0;
	bool turned = false;
	float cosine = 1.0f, sine = 0.0f;
};

/// The sigma of the hand's shadow's edge, in sheet pixels.
double shadowSigma(const HandOnSheet& hand, const HandLook& look)
{
	return look.shadowSoft > 0.0 ? hand.sheetPixelsOnBoard(look.shadowSoft / tenToNinetySigmas)
								 : hand.sheetPixels(shadowSoftness);
}

/// The share of light a hand's own shadow takes at each pixel of `area`
/// (float): its silhouette moved aside and blurred, at a quarter of the
/// sheet's resolution, since a soft shadow has no detail.
cv::Mat shadowShare(const HandOnSheet& hand, const std::vector<HandPart>& parts, cv::Rect area, const HandLook& look)
{
	constexpr int coarse = 4;
	cv::Mat mask = cv::Mat::zeros(area.size(), CV_8U);
	hand.paint(mask, parts, 255, area.tl(), look.shadowOffset);
	cv::Mat small, share;
	cv::resize(mask, small, cv::Size((area.width + coarse - 1) / coarse, (area.height + coarse - 1) / coarse), 0, 0,
		cv::INTER_AREA);
	small.convertTo(small, CV_32F, look.shadow / 255.0);
	cv::GaussianBlur(small, small, cv::Size(), shadowSigma(hand, look) / coarse);
	cv::resize(small, share, area.size(), 0, 0, cv::INTER_LINEAR);
	return share;
}

/// The shade of every pixel of a silhouette (float): 1 in its middle, less
/// towards its edges.
cv::Mat edgeShade(const cv::Mat& silhouette, const HandOnSheet& hand)
{
	cv::Mat inside, depth;
	cv::threshold(silhouette, inside, 127, 255, cv::THRESH_BINARY);
	cv::distanceTransform(inside, depth, cv::DIST_L2, 5);
	const double ramp = hand.sheetPixels(edgeRamp);
	cv::Mat nearEdge = 1.0 - cv::min(depth / ramp, 1.0);
	return 1.0 - edgeDarkening * nearEdge;
}

/// The nails: an oval just short of each fingertip, along the finger (8-bit cover).
cv::Mat nailsOf(const HandOnSheet& hand, const HandLook& look, cv::Rect area)
{
	cv::Mat nails = cv::Mat::zeros(area.size(), CV_8U);
	std::vector<cv::Point2f> tips(std::begin(fingerTips), std::end(fingerTips));
	std::vector<cv::Point2f> knuckles;
	for (const cv::Point2f& tip : fingerTips)
	{
		knuckles.emplace_back(tip.x * 0.6f, -25.0f);
	}
	if (look.shape != HandShape::Fingers)
	{
		tips.push_back(thumbTip);
		knuckles.emplace_back(-40.0f, 12.0f);
	}
	for (size_t i = 0; i < tips.size(); ++i)
	{
		const cv::Point2f along = (tips[i] - knuckles[i]) * (1.0f / float(cv::norm(tips[i] - knuckles[i])));
		const cv::Point2f centre = tips[i] - along * 6.0f;
		const cv::Point a = hand.at(centre - along * 3.0f, area.tl()), b = hand.at(centre + along * 3.0f, area.tl());
		cv::line(nails, a, b, 255, hand.width(fingerWidth * 0.45f), cv::LINE_AA, HandOnSheet::shift);
	}
	return nails;
}

}  // namespace

void drawHand(SheetImage& sheet, const SyntheticBoardCamera& geometry, cv::Point2f palm, const HandLook& look)
{
	const HandOnSheet hand(sheet, geometry, palm, look);
	const std::vector<HandPart> parts = partsOf(look.shape);
	if (!look.shaded && look.shadow == 0.0)
	{
		// One flat colour straight onto the sheet, as every hand was once.
		hand.paint(sheet.image, parts, look.skin);
		return;
	}

	const int margin = int(std::ceil(std::max(hand.sheetPixels(4.0 * shadowSoftness), 4.0 * shadowSigma(hand, look))));
	const cv::Rect area = hand.bounds(parts, look.shadow > 0.0 ? look.shadowOffset : cv::Point2f(), margin);
	if (area.empty())
	{
		return;
	}
	cv::Mat silhouette = cv::Mat::zeros(area.size(), CV_8U);
	hand.paint(silhouette, parts, 255, area.tl());
	const cv::Mat shadow = look.shadow > 0.0 ? shadowShare(hand, parts, area, look) : cv::Mat();
	const cv::Mat shade = look.shaded ? edgeShade(silhouette, hand) : cv::Mat();
	const cv::Mat nails = look.shaded ? nailsOf(hand, look, area) : cv::Mat();
	// The paper under the shadow, the hand over it: cover of the silhouette,
	// skin shaded, nails lighter.
	for (int row = 0; row < area.height; ++row)
	{
		uchar* paper = sheet.image.ptr<uchar>(area.y + row) + 3 * area.x;
		const uchar* cover = silhouette.ptr<uchar>(row);
		const float* shadowRow = shadow.empty() ? nullptr : shadow.ptr<float>(row);
		const float* shadeRow = shade.empty() ? nullptr : shade.ptr<float>(row);
		const uchar* nailRow = nails.empty() ? nullptr : nails.ptr<uchar>(row);
		for (int col = 0; col < area.width; ++col, paper += 3)
		{
			const float lit = shadowRow == nullptr ? 1.0f : 1.0f - shadowRow[col];
			if (cover[col] == 0 && lit == 1.0f)
			{
				continue;  // paper neither under the hand nor in its shadow
			}
			const float hidden = cover[col] / 255.0f;
			const float shaded = shadeRow == nullptr ? 1.0f : shadeRow[col];
			const float nail = nailRow == nullptr ? 0.0f : float(nailLightening) * nailRow[col] / 255.0f;
			for (int c = 0; c < 3; ++c)
			{
				const float skin = float(look.skin[c]) * shaded * (1.0f - nail) + float(nailPink[c]) * nail;
				paper[c] = cv::saturate_cast<uchar>(paper[c] * lit * (1.0f - hidden) + skin * hidden);
			}
		}
	}
}
