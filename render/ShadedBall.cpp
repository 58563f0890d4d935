#include "render/ShadedBall.h"

#include "render/SubPixelDrawing.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace
{

/// The ball's paint (BGR) and the room's light on it.
const cv::Vec3d ballColour(40.0, 110.0, 235.0);
const cv::Vec3d spotColour(120.0, 220.0, 255.0);
constexpr double ambient = 0.3;
constexpr double diffuse = 0.8;
constexpr double shine = 0.7;
constexpr double shininess = 24.0;
/// The light comes from the upper left and a little in front.
const cv::Vec3d towardsLight = cv::normalize(cv::Vec3d(-0.45, -0.6, 0.66));
const cv::Vec3d halfway = cv::normalize(towardsLight + cv::Vec3d(0.0, 0.0, 1.0));
/// The spot lies this share of the radius from the centre and is this big.
constexpr double spotDistance = 0.55;
constexpr double spotSize = 0.17;
/// Sizes kept; beyond it the kept shadings are dropped and made again.
constexpr size_t keptSizes = 64;

/// The lit colour of the sphere's point above (x, y), in radii from its centre.
cv::Vec3d litColour(double x, double y)
{
	const double z = std::sqrt(std::max(0.0, 1.0 - x * x - y * y));
	const cv::Vec3d normal(x, y, z);
	const double light = ambient + diffuse * std::max(0.0, normal.dot(towardsLight));
	const double gloss = shine * std::pow(std::max(0.0, normal.dot(halfway)), shininess);
	cv::Vec3d c = ballColour * light + cv::Vec3d::all(255.0 * gloss);
	for (int i = 0; i < 3; ++i)
	{
		c[i] = std::min(c[i], 255.0);
	}
	return c;
}

/// The share of pixel (x, y) that a disc of `radius` about (0, 0) covers,
/// counted on a grid of points within the pixel.
double coverage(int x, int y, double radius)
{
	constexpr int grid = 4;
	int inside = 0;
	for (int i = 0; i < grid; ++i)
	{
		for (int j = 0; j < grid; ++j)
		{
			const double px = x + (i + 0.5) / grid - 0.5, py = y + (j + 0.5) / grid - 0.5;
			inside += px * px + py * py <= radius * radius ? 1 : 0;
		}
	}
	return double(inside) / (grid * grid);
}

}  // namespace

const ShadedBall::Shading& ShadedBall::shadingOf(std::map<int, Shading>& kept, int quarterPixels, bool spot)
{
	const auto found = kept.find(quarterPixels);
	if (found != kept.end())
	{
		return found->second;
	}
	if (kept.size() >= keptSizes)
	{
		kept.clear();
	}
	const double radius = quarterPixels / 4.0;
	const int half = int(std::ceil(radius)) + 1;
	Shading shading;
	shading.colour.create(2 * half + 1, 2 * half + 1, CV_8UC3);
	shading.cover.create(shading.colour.size(), CV_8UC1);
	for (int y = -half; y <= half; ++y)
	{
		for (int x = -half; x <= half; ++x)
		{
			shading.colour.at<cv::Vec3b>(y + half, x + half) = spot ? spotColour : litColour(x / radius, y / radius);
			shading.cover.at<uchar>(y + half, x + half) = cv::saturate_cast<uchar>(255.0 * coverage(x, y, radius));
		}
	}
	for (int row = 0; row < shading.cover.rows; ++row)
	{
		const uchar* cover = shading.cover.ptr<uchar>(row);
		const uchar* end = cover + shading.cover.cols;
		const auto run = [&](auto inside) {
			const uchar* first = std::find_if(cover, end, inside);
			const uchar* last = std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(first), inside).base();
			// A row without any: an empty run in the middle.
			return first == end ? cv::Range(half, half) : cv::Range(int(first - cover), int(last - cover));
		};
		shading.covered.push_back(run([](uchar c) { return c != 0; }));
		shading.whole.push_back(run([](uchar c) { return c == 255; }));
	}
	return kept.emplace(quarterPixels, std::move(shading)).first->second;
}

void ShadedBall::place(cv::Mat& window, const Shading& shading, cv::Point2d centre)
{
	const int half = shading.colour.cols / 2;
	const cv::Point corner(int(std::lround(centre.x)) - half, int(std::lround(centre.y)) - half);
	const cv::Rect placed = cv::Rect(corner, shading.colour.size()) & cv::Rect(cv::Point(), window.size());
	// The columns of the shading inside the window.
	const int left = placed.x - corner.x, right = placed.br().x - corner.x;
	const auto clipped = [&](int from, int to) { return cv::Range(std::max(from, left), std::min(to, right)); };
	for (int y = placed.y; y < placed.br().y; ++y)
	{
		const int row = y - corner.y;
		const cv::Vec3b* colour = shading.colour.ptr<cv::Vec3b>(row);
		const uchar* cover = shading.cover.ptr<uchar>(row);
		// The window's pixel under the shading's column `left`.
		cv::Vec3b* pixel = window.ptr<cv::Vec3b>(y) + placed.x;
		const cv::Range covered = shading.covered[size_t(row)], whole = shading.whole[size_t(row)];
		for (const cv::Range& edge : {clipped(covered.start, whole.start), clipped(whole.end, covered.end)})
		{
			for (int x = edge.start; x < edge.end; ++x)
			{
				blendPixel(pixel[x - left], colour[x], cover[x]);
			}
		}
		const cv::Range inside = clipped(whole.start, whole.end);
		if (inside.start < inside.end)
		{
			std::copy(colour + inside.start, colour + inside.end, pixel + (inside.start - left));
		}
	}
}

void ShadedBall::paint(cv::Mat& window, cv::Point2d centre, double radius, double angle)
{
	const double reach = radius + 2.0;
	// Written so that NaN fails. A ball bigger than the window is no ball a
	// board can hold: its shading would be an image of that size.
	const bool inView = radius > 0.0 && centre.x + reach >= 0.0 && centre.y + reach >= 0.0
		&& centre.x - reach <= window.cols && centre.y - reach <= window.rows && radius <= window.cols + window.rows;
	if (!inView)
	{
		return;
	}
	place(window, shadingOf(m_balls, std::max(1, int(std::lround(radius * 4.0))), false), centre);
	// The world turns anticlockwise with y up; the window's y runs down.
	const cv::Point2d spot = centre + spotDistance * radius * cv::Point2d(std::cos(angle), -std::sin(angle));
	if (std::isfinite(spot.x) && std::isfinite(spot.y))
	{
		place(window, shadingOf(m_spots, std::max(1, int(std::lround(spotSize * radius * 4.0))), true), spot);
	}
}
