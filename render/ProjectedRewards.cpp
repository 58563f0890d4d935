#include "render/ProjectedRewards.h"

#include "render/Celebration.h"
#include "render/PlayPieces.h"
#include "render/SubPixelDrawing.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace
{

/// Colours as in projectedColour: no red, so that Cr stays far below ink's.
const cv::Scalar scoreColour(255, 255, 120);
const cv::Scalar confettiColour[confettiColours] = {{255, 255, 0}, {0, 255, 0}, {255, 160, 0}, {255, 255, 160}};

/// Digits drawn as seven segments, in board pixels.
constexpr double digitWidth = 12.0;
constexpr double digitHeight = 22.0;
constexpr double digitGap = 6.0;
constexpr float segmentWidth = 3.0f;
/// The sensors' dots under the score.
constexpr double dotRadius = 3.5;
constexpr double dotPitch = 12.0;
constexpr double dotsBelow = 8.0;
constexpr int mostDots = 12;
constexpr double cornerInset = 8.0;
constexpr float haloWidth = 2.5f;
constexpr int circlePoints = 24;

/// Segments a to g of each digit, bit 0 for a (top), clockwise, g the middle.
constexpr unsigned char digitSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
/// Each segment's ends, as shares of a digit's width and height.
constexpr double segmentEnds[7][4] = {
	{0, 0, 1, 0}, {1, 0, 1, 0.5}, {1, 0.5, 1, 1}, {0, 1, 1, 1}, {0, 0.5, 0, 1}, {0, 0, 0, 0.5}, {0, 0.5, 1, 0.5}};

ProjectedShape line(std::vector<cv::Point2f> points, const cv::Scalar& colour, float width)
{
	ProjectedShape shape;
	shape.points = std::move(points);
	shape.colour = colour;
	shape.filled = false;
	shape.closed = false;
	shape.width = width;
	return shape;
}

ProjectedShape circle(cv::Point2d centre, double radius, const cv::Scalar& colour, bool filled, float width)
{
	ProjectedShape shape;
	shape.points = circleOutline(centre, float(radius), circlePoints);
	shape.colour = colour;
	shape.filled = filled;
	shape.width = filled ? 0.0f : width;
	return shape;
}

void addNumber(int number, cv::Point2d topLeft, std::vector<ProjectedShape>& shapes)
{
	const std::string digits = std::to_string(std::max(0, number));
	for (size_t i = 0; i < digits.size(); ++i)
	{
		const cv::Point2d at = topLeft + cv::Point2d(i * (digitWidth + digitGap), 0.0);
		for (int s = 0; s < 7; ++s)
		{
			if ((digitSegments[digits[i] - '0'] >> s & 1) == 0)
			{
				continue;
			}
			const double* e = segmentEnds[s];
			shapes.push_back(line({cv::Point2f(at + cv::Point2d(e[0] * digitWidth, e[1] * digitHeight)),
									  cv::Point2f(at + cv::Point2d(e[2] * digitWidth, e[3] * digitHeight))},
				scoreColour, segmentWidth));
		}
	}
}

/// The score and the sensors' dots in the quiet corner.
void addScore(const PlayScene& scene, const cv::Mat& inkMask, std::vector<ProjectedShape>& shapes)
{
	const PlayStatus& status = scene.status;
	const int dots = std::min(status.sensorCount, mostDots);
	const double digitsWide = std::to_string(std::max(0, status.score)).size() * (digitWidth + digitGap) - digitGap;
	const cv::Size2d size(std::max(digitsWide, dots * dotPitch), digitHeight + dotsBelow + 2 * dotRadius);
	const cv::Rect2d corner = quietestCorner(inkMask, scene.drawingArea, size, cornerInset);
	addNumber(status.score, corner.tl(), shapes);
	for (int i = 0; i < dots; ++i)
	{
		const cv::Point2d centre = corner.tl() + cv::Point2d(dotRadius + i * dotPitch, digitHeight + dotsBelow + dotRadius);
		shapes.push_back(circle(centre, dotRadius, projectedColour::sensor, i < status.sensorsLit, 1.0f));
	}
}

void addHalos(const PlayScene& scene, std::vector<ProjectedShape>& shapes)
{
	for (const PlaySensor& sensor : scene.sensors)
	{
		const double age = scene.status.seconds - sensor.litAfter;
		if (!(age >= 0.0 && age < sensorHaloSeconds))
		{
			continue;
		}
		// Fainter light as it spreads: the colour scaled down.
		const double radius = sensor.radius * std::abs(scene.mapping.scaleX);
		const double spread = sensorHaloRadius(radius, age);
		shapes.push_back(circle(scene.mapping.toPixel(sensor.position.x, sensor.position.y), spread,
			projectedColour::sensor * (1.0 - age / sensorHaloSeconds), false, haloWidth));
	}
}

void addConfetti(const PlayScene& scene, std::vector<ProjectedShape>& shapes)
{
	const PlayStatus& status = scene.status;
	if (!status.solved)
	{
		return;
	}
	for (const ConfettiPiece& piece : confettiAt(status.seconds - status.solvedAfter))
	{
		ProjectedShape strip;
		for (const cv::Point2d& p : confettiCorners(piece, scene.drawingArea))
		{
			strip.points.emplace_back(p);
		}
		strip.colour = confettiColour[piece.colour];
		shapes.push_back(std::move(strip));
	}
}

}  // namespace

cv::Rect2d quietestCorner(const cv::Mat& inkMask, const cv::Rect2d& area, cv::Size2d size, double inset)
{
	const double left = area.x + inset, right = area.x + area.width - inset - size.width;
	const double top = area.y + inset, bottom = area.y + area.height - inset - size.height;
	cv::Rect2d quietest;
	int leastInk = -1;
	for (const cv::Point2d& corner : {cv::Point2d(left, top), cv::Point2d(right, top), cv::Point2d(left, bottom),
			 cv::Point2d(right, bottom)})
	{
		const cv::Rect2d box(corner, size);
		const cv::Rect pixels = cv::Rect(cv::Point(int(std::floor(box.x)), int(std::floor(box.y))),
									cv::Point(int(std::ceil(box.br().x)), int(std::ceil(box.br().y))))
			& cv::Rect(cv::Point(), inkMask.size());
		const int ink = pixels.empty() || inkMask.channels() != 1 ? 0 : cv::countNonZero(inkMask(pixels));
		if (leastInk < 0 || ink < leastInk)
		{
			leastInk = ink;
			quietest = box;
		}
	}
	return quietest;
}

std::vector<ProjectedShape> projectedRewards(const PlayScene& scene, const cv::Mat& inkMask)
{
	std::vector<ProjectedShape> shapes;
	addHalos(scene, shapes);
	addScore(scene, inkMask, shapes);
	addConfetti(scene, shapes);
	return shapes;
}
