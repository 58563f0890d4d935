#include "render/Celebration.h"

#include <cmath>

namespace
{

constexpr int pieces = 70;
/// Unit squares a second, and a second squared.
constexpr double fall = 1.6;
constexpr double slowestUp = 0.9;
constexpr double fastestUp = 1.7;
constexpr double widestSideways = 0.55;
constexpr double fastestSpin = 12.0;
constexpr double smallest = 0.006;
constexpr double largest = 0.014;
/// A strip is this much longer than wide.
constexpr double stripShape = 0.45;
/// The same shower every time.
constexpr uint64_t showerSeed = 0x5eed;

}  // namespace

std::vector<ConfettiPiece> confettiAt(double age)
{
	std::vector<ConfettiPiece> shower;
	if (!(age >= 0.0 && age < celebrationSeconds))
	{
		return shower;
	}
	cv::RNG rng(showerSeed);
	for (int i = 0; i < pieces; ++i)
	{
		const double sideways = rng.uniform(-widestSideways, widestSideways);
		const double up = rng.uniform(slowestUp, fastestUp);
		const double spin = rng.uniform(-fastestSpin, fastestSpin);
		const double size = rng.uniform(smallest, largest);
		const cv::Point2d at(0.5 + sideways * age, 1.0 - up * age + 0.5 * fall * age * age);
		shower.push_back({at, spin * age, size, i % confettiColours});
	}
	return shower;
}

std::vector<cv::Point2d> confettiCorners(const ConfettiPiece& piece, const cv::Rect2d& area)
{
	const double length = piece.size * area.width, width = length * stripShape;
	const cv::Point2d centre(area.x + piece.at.x * area.width, area.y + piece.at.y * area.height);
	const cv::Point2d along(std::cos(piece.angle), std::sin(piece.angle));
	const cv::Point2d across(-along.y, along.x);
	return {centre + along * length + across * width, centre - along * length + across * width,
		centre - along * length - across * width, centre + along * length - across * width};
}
