#include "scenes/BoardDrawing.h"

#include <cmath>

cv::Scalar inkColour(Ink ink)
{
	switch (ink)
	{
	case Ink::Black:
		return cv::Scalar(25, 25, 25);
	case Ink::Yellow:
		return cv::Scalar(150, 220, 250);  // a pale warm yellow, as a highlighter shows on paper
	case Ink::Red:
		return cv::Scalar(40, 40, 200);
	}
	return cv::Scalar(0, 0, 0);
}

cv::Scalar inkColour(Ink ink, const cv::Scalar& colour)
{
	return colour[0] < 0.0 ? inkColour(ink) : colour;
}

const std::vector<NamedInk>& namedInks()
{
	// Highlighters: hue (HSV) from 45 degrees (warm) to 75 (neon yellow-green),
	// saturation from 0.3 (pale) to 0.7 (lemon), value near the paper's.
	static const std::vector<NamedInk> inks = {
		{"black", Ink::Black, inkColour(Ink::Black)},
		// Luminance about 100: a marker running dry.
		{"half-dry", Ink::Black, cv::Scalar(96, 100, 104)},
		{"yellow", Ink::Yellow, inkColour(Ink::Yellow)},
		{"warm-yellow", Ink::Yellow, cv::Scalar(125, 219, 250)},  // hue 45, saturation 0.5
		{"lemon", Ink::Yellow, cv::Scalar(74, 241, 247)},         // hue 58, saturation 0.7
		{"neon", Ink::Yellow, cv::Scalar(86, 247, 207)},          // hue 75, saturation 0.65
		{"pale-yellow", Ink::Yellow, cv::Scalar(176, 246, 252)},  // hue 55, saturation 0.3
		{"pale-green", Ink::Yellow, cv::Scalar(175, 250, 238)},   // hue 70, saturation 0.3
		{"red", Ink::Red, inkColour(Ink::Red)},
	};
	return inks;
}

BoardDrawing demoDrawing()
{
	// Everything lies inside the drawing area between the corner markers
	// (about x 155 to 485, y 155 to 325 in board pixels): the ball falls onto
	// the ramp, rolls through the sensor drawn across it and into the portal card.
	BoardDrawing drawing;
	drawing.strokes.push_back({{{175.0f, 235.0f}, {450.0f, 320.0f}}, Ink::Black, 4.0f});
	drawing.strokes.push_back({{{165.0f, 175.0f}, {165.0f, 240.0f}}, Ink::Black, 4.0f});
	drawing.circles.push_back({{200.0f, 190.0f}, 28.0f, Ink::Black, false, 4.0f});
	drawing.circles.push_back({{320.0f, 280.0f}, 28.0f, Ink::Yellow, false, 4.0f});
	drawing.hasPortal = true;
	drawing.portal = {{540.0f, 240.0f}, 0.0f};
	return drawing;
}

std::vector<cv::Point2f> handDrawnRingPath(const InkCircle& ring)
{
	// A few slow waves of different lengths, their phases taken from where the
	// ring lies: no two rings wobble alike, the same ring always does.
	const double seed = ring.centre.x * 12.9898 + ring.centre.y * 78.233;
	const double phase[3] = {std::fmod(seed, 6.283), std::fmod(seed * 1.7, 6.283), std::fmod(seed * 2.3, 6.283)};
	const double gap = std::min(360.0, std::max(0.0, double(ring.gap))) * CV_PI / 180.0;
	const double turn = ring.ovalAngle * CV_PI / 180.0;
	const double rx = ring.radius * std::sqrt(double(ring.oval));
	const double ry = ring.radius / std::sqrt(double(ring.oval));
	// About one point every two board pixels.
	const int steps = std::max(12, int(std::lround((2.0 * CV_PI - gap) * ring.radius / 2.0)));
	std::vector<cv::Point2f> path;
	for (int i = 0; i <= steps; ++i)
	{
		const double a = gap * 0.5 + (2.0 * CV_PI - gap) * i / steps;
		const double wave = 0.55 * std::sin(2.0 * a + phase[0]) + 0.3 * std::sin(3.0 * a + phase[1])
			+ 0.15 * std::sin(5.0 * a + phase[2]);
		const double stray = 1.0 + ring.wobble * wave / ring.radius;
		const double x = rx * stray * std::cos(a), y = ry * stray * std::sin(a);
		path.emplace_back(float(ring.centre.x + x * std::cos(turn) - y * std::sin(turn)),
			float(ring.centre.y + x * std::sin(turn) + y * std::cos(turn)));
	}
	return path;
}
