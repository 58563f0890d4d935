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
/// Its own shadow lies this far down and right of it (a lamp at the top
/// left), its edge this soft (sigma), board pixels.
const cv::Point2f shadowOffset(14.0f, 10.0f);
constexpr double shadowSoftness = 6.0;

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

	void paint(cv::Mat& image, const std::vector<HandPart>& parts, const cv::Scalar& colour, cv::Point origin = cv::Point(),
		cv::Point2f offset = cv::Point2f()) const
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

/// `a` where `share` is 0, `b` where it is 1, between them between: float BGR
/// pictures and a float share of one channel.
cv::Mat blend(const cv::Mat& a, const cv::Mat& b, const cv::Mat& share)
{
	cv::Mat share3;
	cv::merge(std::vector<cv::Mat>(3, share), share3);
	return a + (b - a).mul(share3);
}

/// The shade of every pixel of a hand's silhouette (1 in its middle, darker
/// towards its edges), its nails lighter: the hand's colour, float BGR.
cv::Mat shadedSkin(const cv::Mat& silhouette, const HandOnSheet& hand, const HandLook& look, cv::Point origin)
{
	cv::Mat inside, depth;
	cv::threshold(silhouette, inside, 127, 255, cv::THRESH_BINARY);
	cv::distanceTransform(inside, depth, cv::DIST_L2, 5);
	const double ramp = hand.sheetPixels(edgeRamp);
	cv::Mat shade = 1.0 - edgeDarkening * (1.0 - cv::min(depth / ramp, 1.0));
	cv::Mat skin;
	cv::merge(std::vector<cv::Mat>{shade * look.skin[0], shade * look.skin[1], shade * look.skin[2]}, skin);

	// Nails: an oval just short of each fingertip, along the finger.
	cv::Mat nails = cv::Mat::zeros(silhouette.size(), CV_8U);
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
		const cv::Point a = hand.at(centre - along * 3.0f, origin), b = hand.at(centre + along * 3.0f, origin);
		cv::line(nails, a, b, 255, hand.width(fingerWidth * 0.45f), cv::LINE_AA, HandOnSheet::shift);
	}
	cv::Mat nailShare;
	nails.convertTo(nailShare, CV_32F, nailLightening / 255.0);
	return blend(skin, cv::Mat(skin.size(), CV_32FC3, nailPink), nailShare);
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

	const int margin = int(std::ceil(hand.sheetPixels(4.0 * shadowSoftness)));
	const cv::Rect area = hand.bounds(parts, look.shadow > 0.0 ? shadowOffset : cv::Point2f(), margin);
	if (area.empty())
	{
		return;
	}
	cv::Mat paper;
	sheet.image(area).convertTo(paper, CV_32F);
	if (look.shadow > 0.0)
	{
		cv::Mat shadow = cv::Mat::zeros(area.size(), CV_8U);
		hand.paint(shadow, parts, 255, area.tl(), shadowOffset);
		cv::Mat share;
		shadow.convertTo(share, CV_32F, look.shadow / 255.0);
		const double sigma = hand.sheetPixels(shadowSoftness);
		cv::GaussianBlur(share, share, cv::Size(), sigma);
		cv::Mat lit;
		cv::merge(std::vector<cv::Mat>(3, 1.0 - share), lit);
		paper = paper.mul(lit);
	}
	cv::Mat silhouette = cv::Mat::zeros(area.size(), CV_8U);
	hand.paint(silhouette, parts, 255, area.tl());
	const cv::Mat skin = look.shaded ? shadedSkin(silhouette, hand, look, area.tl())
									 : cv::Mat(area.size(), CV_32FC3, look.skin);
	cv::Mat cover;
	silhouette.convertTo(cover, CV_32F, 1.0 / 255.0);
	cv::Mat target = sheet.image(area);
	blend(paper, skin, cover).convertTo(target, CV_8U);
}
