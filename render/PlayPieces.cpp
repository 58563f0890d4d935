#include "render/PlayPieces.h"

#include "render/SubPixelDrawing.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// Colours (BGR).
const cv::Scalar portalHole(40, 14, 30);
const cv::Scalar portalSwirl(230, 110, 190);
const cv::Scalar portalRim(255, 80, 190);
const cv::Scalar portalRimCore(255, 210, 250);
const cv::Scalar sensorUnlit(20, 150, 205);
const cv::Scalar sensorLit(70, 235, 255);
const cv::Scalar sensorFill(120, 245, 255);
const cv::Scalar sensorHalo(30, 190, 255);
const cv::Scalar wood(60, 125, 185);
const cv::Scalar woodLight(110, 175, 225);
const cv::Scalar woodDark(20, 55, 95);
const cv::Scalar glass(250, 225, 190);
const cv::Scalar glassEdge(255, 255, 255);
const cv::Scalar streak(235, 205, 160);

/// Sizes in window pixels and seconds.
constexpr double sensorRingShare = 0.16;
constexpr double sensorFillOpacity = 0.55;
constexpr double plankWidth = 8.0;
constexpr double nailRadius = 1.6;
constexpr double braceInset = 0.18;
constexpr double shardSize = 7.0;
constexpr double streakSeconds = 0.05;
constexpr int swirlArms = 3;
constexpr int swirlPoints = 48;
constexpr double swirlTurns = 1.25;
constexpr double swirlSpeed = 1.5;
constexpr double portalRimWidth = 4.0;

std::vector<cv::Point2d> inWindow(const std::vector<b2Vec2>& outline, const PlayViewMap& map)
{
	std::vector<cv::Point2d> points;
	for (const b2Vec2& p : outline)
	{
		points.push_back(map.toWindow(p));
	}
	return points;
}

cv::Point2d centreOf(const std::vector<cv::Point2d>& points)
{
	cv::Point2d sum;
	for (const cv::Point2d& p : points)
	{
		sum += p;
	}
	return points.empty() ? sum : sum / double(points.size());
}

/// A ring `width` wide about the circle of `radius`: the area between two
/// circles filled as one polygon, a fifth of what OpenCV's thick circle
/// (a round-capped line from point to point) costs.
void ring(cv::Mat& window, cv::Point2d centre, double radius, double width, const cv::Scalar& colour)
{
	std::vector<std::vector<cv::Point>> edges;
	for (const double r : {radius + width / 2.0, std::max(0.0, radius - width / 2.0)})
	{
		// A point a pixel round the circle, 16 to 180 (NaN: 16).
		const int points = r > 180.0 ? 180 : r > 16.0 ? int(r) : 16;
		edges.push_back(subPixel(circleOutline(centre, float(r), points)));
	}
	cv::fillPoly(window, edges, colour, cv::LINE_AA, subPixelBits);
}

/// Draw with `draw` at `opacity` over the window, within `reach` of `centre`.
template <typename Draw>
void translucent(cv::Mat& window, cv::Point2d centre, double reach, double opacity, Draw draw)
{
	const cv::Rect2d near = cv::Rect2d(centre.x - reach, centre.y - reach, 2.0 * reach, 2.0 * reach)
		& cv::Rect2d(0.0, 0.0, window.cols, window.rows);
	// Written so that NaN fails.
	if (!(near.width > 0.0 && near.height > 0.0))
	{
		return;
	}
	const cv::Rect area = cv::Rect(cv::Point(int(std::floor(near.x)), int(std::floor(near.y))),
							  cv::Point(int(std::ceil(near.br().x)) + 1, int(std::ceil(near.br().y)) + 1))
		& cv::Rect(cv::Point(), window.size());
	cv::Mat under = window(area);
	cv::Mat over = under.clone();
	draw(over, centre - cv::Point2d(area.tl()));
	cv::addWeighted(over, opacity, under, 1.0 - opacity, 0.0, under);
}

}  // namespace

void drawPortal(cv::Mat& window, const std::vector<b2Vec2>& outline, const PlayViewMap& map, double seconds)
{
	if (outline.size() < 3)
	{
		return;
	}
	const std::vector<cv::Point2d> corners = inWindow(outline, map);
	const std::vector<cv::Point> quad = subPixel(corners);
	// The rim's smooth band covers the hole's edge: the hole itself needs no smoothing.
	cv::fillConvexPoly(window, quad, portalHole, cv::LINE_8, subPixelBits);
	const cv::Point2d centre = centreOf(corners);
	double reach = 1e9;
	for (size_t i = 0; i < corners.size(); ++i)
	{
		// The swirl stays within the hole: as far out as the nearest edge's middle.
		reach = std::min(reach, cv::norm((corners[i] + corners[(i + 1) % corners.size()]) / 2.0 - centre));
	}
	for (int arm = 0; arm < swirlArms; ++arm)
	{
		std::vector<cv::Point2d> spiral;
		for (int k = 0; k <= swirlPoints; ++k)
		{
			const double along = double(k) / swirlPoints;
			const double angle = seconds * swirlSpeed + 2.0 * CV_PI * (arm / double(swirlArms) + swirlTurns * along);
			spiral.push_back(centre + 0.9 * reach * along * cv::Point2d(std::cos(angle), std::sin(angle)));
		}
		// Two thin lines side by side: a thick one costs ten times as much.
		for (const cv::Point2d& offset : {cv::Point2d(0.0, 0.0), cv::Point2d(0.7, 0.7)})
		{
			for (cv::Point2d& p : spiral)
			{
				p += offset;
			}
			cv::polylines(window, subPixel(spiral), false, portalSwirl, 1, cv::LINE_AA, subPixelBits);
		}
	}
	// The rim: a band round the inside of the card's edge, filled as one polygon.
	std::vector<cv::Point2d> inset;
	for (const cv::Point2d& corner : corners)
	{
		const double distance = cv::norm(corner - centre);
		inset.push_back(corner + (centre - corner) * std::min(1.0, portalRimWidth / std::max(distance, 1e-9)));
	}
	cv::fillPoly(window, std::vector<std::vector<cv::Point>>{quad, subPixel(inset)}, portalRim, cv::LINE_AA, subPixelBits);
	cv::polylines(window, quad, true, portalRimCore, 1, cv::LINE_AA, subPixelBits);
}

void drawSensor(cv::Mat& window, const PlaySensor& sensor, const PlayViewMap& map, double seconds)
{
	const cv::Point2d centre = map.toWindow(sensor.position);
	const double radius = map.length(sensor.radius);
	const double width = std::max(2.0, radius * sensorRingShare);
	if (!sensor.lit())
	{
		ring(window, centre, radius, width, sensorUnlit);
		return;
	}
	const double age = std::max(0.0, seconds - sensor.litAfter);
	if (age < sensorHaloSeconds)
	{
		// The halo spreads and fades over its second.
		const double spread = sensorHaloRadius(radius, age);
		translucent(window, centre, spread + 2 * width, 1.0 - age / sensorHaloSeconds,
			[&](cv::Mat& over, cv::Point2d at) { ring(over, at, spread, 2 * width, sensorHalo); });
	}
	translucent(window, centre, radius + 2 * width, sensorFillOpacity, [&](cv::Mat& over, cv::Point2d at) {
		fillDisc(over, at, radius, sensorFill);
		ring(over, at, radius + width, width, sensorLit);
	});
	ring(window, centre, radius, width, sensorLit);
}

void drawPlank(cv::Mat& window, const PlayPlank& plank, const PlayViewMap& map)
{
	const cv::Point2d from = map.toWindow(plank.from), to = map.toWindow(plank.to);
	const double length = cv::norm(to - from);
	if (!(length > 0.0))
	{
		return;
	}
	const cv::Point2d along = (to - from) / length;
	const cv::Point2d across = cv::Point2d(-along.y, along.x) * (plankWidth / 2.0);
	const std::vector<cv::Point> board = subPixel(std::vector<cv::Point2d>{from + across, to + across, to - across, from - across});
	cv::fillConvexPoly(window, board, wood, cv::LINE_AA, subPixelBits);
	cv::line(window, subPixel(from + across * 0.2), subPixel(to + across * 0.2), woodLight, 1, cv::LINE_AA, subPixelBits);
	cv::polylines(window, board, true, woodDark, 1, cv::LINE_AA, subPixelBits);
	const double nailIn = std::min(plankWidth / 2.0, length / 2.0);
	fillDisc(window, from + along * nailIn, nailRadius, woodDark);
	fillDisc(window, to - along * nailIn, nailRadius, woodDark);
}

void drawCrate(cv::Mat& window, const PlayBody& box, const PlayViewMap& map)
{
	if (box.outline.size() < 3)
	{
		return;
	}
	const std::vector<cv::Point2d> corners = inWindow(box.outline, map);
	const cv::Point2d centre = centreOf(corners);
	std::vector<cv::Point2d> inner;
	for (const cv::Point2d& corner : corners)
	{
		inner.push_back(corner + (centre - corner) * braceInset);
	}
	const std::vector<cv::Point> outer = subPixel(corners);
	cv::fillConvexPoly(window, outer, wood, cv::LINE_AA, subPixelBits);
	cv::polylines(window, subPixel(inner), true, woodDark, 1, cv::LINE_AA, subPixelBits);
	cv::line(window, subPixel(inner[0]), subPixel(inner[inner.size() / 2]), woodDark, 2, cv::LINE_AA, subPixelBits);
	cv::polylines(window, outer, true, woodDark, 2, cv::LINE_AA, subPixelBits);
}

void drawShard(cv::Mat& window, const PlayBody& shard, const PlayViewMap& map)
{
	if (shard.outline.empty())
	{
		return;
	}
	const std::vector<cv::Point2d> corners = inWindow(shard.outline, map);
	const cv::Point2d centre = centreOf(corners);
	// The shard points the way its body is turned: its first corner.
	const cv::Point2d first = corners[0] - centre;
	const double turned = std::atan2(first.y, first.x);
	const double size = std::max(shardSize, cv::norm(first));
	std::vector<cv::Point2d> points;
	for (const auto& [angle, reach] : {std::pair{0.0, 1.0}, std::pair{2.4, 0.55}, std::pair{4.0, 0.8}})
	{
		points.push_back(centre + size * reach * cv::Point2d(std::cos(turned + angle), std::sin(turned + angle)));
	}
	const cv::Point2d behind = centre - map.velocity(shard.velocity) * streakSeconds;
	cv::line(window, subPixel(centre), subPixel(behind), streak, 1, cv::LINE_AA, subPixelBits);
	const std::vector<cv::Point> triangle = subPixel(points);
	cv::fillConvexPoly(window, triangle, glass, cv::LINE_AA, subPixelBits);
	cv::polylines(window, triangle, true, glassEdge, 1, cv::LINE_AA, subPixelBits);
}
