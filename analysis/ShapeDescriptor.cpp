#include "analysis/ShapeDescriptor.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double pi = 3.141592653589793;

/// Direction from point `from` to point `to`; 0 when they coincide.
double directionTo(const cv::Point& from, const cv::Point& to)
{
	return std::atan2(double(to.y - from.y), double(to.x - from.x));
}

}  // namespace

double wrapAngle(double angle)
{
	double r = std::fmod(angle + pi, 2.0 * pi);
	if (r < 0.0)
	{
		r += 2.0 * pi;
	}
	return r - pi;
}

ShapeDescriptor computeDescriptor(std::vector<cv::Point> contour)
{
	ShapeDescriptor d = cv::Mat::zeros(descriptorSize, 1, CV_64F);
	const int n = int(contour.size());
	if (n == 0)
	{
		return d;
	}

	double sumX = 0.0, sumY = 0.0;
	double length = 0.0;
	// The first segment turns against the +x axis.
	double previousDirection = 0.0;
	double signedTurns = 0.0, absoluteTurns = 0.0, largestTurn = 0.0;
	for (int i = 0; i < n; ++i)
	{
		sumX += contour[i].x;
		sumY += contour[i].y;
		if (i == 0)
		{
			continue;
		}
		const int dx = contour[i].x - contour[i - 1].x;
		const int dy = contour[i].y - contour[i - 1].y;
		length += std::sqrt(double(dx) * dx + double(dy) * dy);
		const double direction = std::atan2(double(dy), double(dx));
		const double turn = wrapAngle(previousDirection - direction);
		largestTurn = std::max(largestTurn, turn);
		absoluteTurns += std::fabs(turn);
		signedTurns += turn;
		previousDirection = direction;
	}

	double* c = d.ptr<double>();
	c[0] = sumX / n;
	c[1] = sumY / n;
	c[2] = absoluteTurns;
	c[3] = length;
	c[4] = std::fabs(signedTurns);
	c[5] = directionTo(contour[n / 2], contour[0]);
	c[6] = directionTo(contour[n / 4], contour[0]);
	c[7] = largestTurn;

	std::vector<double> radii(n);
	double sumRadii = 0.0;
	for (int i = 0; i < n; ++i)
	{
		radii[i] = std::hypot(contour[i].x - c[0], contour[i].y - c[1]);
		sumRadii += radii[i];
	}
	c[8] = sumRadii / n;
	double squares = 0.0;
	for (double r : radii)
	{
		squares += (r - c[8]) * (r - c[8]);
	}
	// One point has no spread (0 / 0 would be NaN, which counts as 0 anyway).
	c[9] = n > 1 ? squares / double(n - 1) : 0.0;

	for (int i = 0; i < descriptorSize; ++i)
	{
		if (std::isnan(c[i]))
		{
			c[i] = 0.0;
		}
	}
	return d;
}
