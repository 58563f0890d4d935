#pragma once

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

// Rectified boards as a webcam in a home shows them, built directly: a
// drawing in pens of any colour and width, lit by a room's light with
// shadows, a patch of light of another colour, a lamp's glare, and covered in
// part by a hand or a sleeve; then the camera's blur and noise.

namespace litboard
{

/// What a pen leaves on white paper, as reflectance (BGR, paper 255).
struct Pen
{
	cv::Scalar colour;
	double width;
};

const Pen marker{{25, 25, 25}, 4.0};
/// A 0.6 mm fineliner: a board pixel and a bit wide, and what the camera's
/// blur leaves of it reads about 70 grey levels below the paper at its
/// middle (on paper reading 240), a faint one about 45.
const Pen fineliner{{150, 150, 150}, 1.2};
const Pen faintFineliner{{185, 185, 185}, 1.2};
/// A marker running dry: grey, and thinner than a fresh one; its middle
/// reads a luminance of about 105 (1.2 mm) and 120 (0.9 mm).
const Pen halfDryMarker{{100, 100, 100}, 2.5};
const Pen thinHalfDryMarker{{100, 100, 100}, 1.8};

/// A highlighter of hue H degrees (HSV), saturation S and value V (of the paper's).
inline Pen highlighter(double hue, double saturation, double value, double width = 4.0)
{
	cv::Mat hsv(1, 1, CV_32FC3, cv::Scalar(hue, saturation, value)), bgr;
	cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
	const cv::Vec3f c = bgr.at<cv::Vec3f>(0, 0);
	return Pen{cv::Scalar(255.0 * c[0], 255.0 * c[1], 255.0 * c[2]), width};
}

/// Drawn at this many times the board's resolution, so that pen edges and
/// thin lines fall between pixels as they do in a camera.
constexpr int fine = 4;

struct Drawing
{
	cv::Mat reflectance = cv::Mat(480 * fine, 640 * fine, CV_8UC3, cv::Scalar::all(255));

	void ring(cv::Point2d centre, double radius, const Pen& pen)
	{
		cv::circle(reflectance, at(centre), int(std::lround(radius * fine)), pen.colour, thickness(pen), cv::LINE_AA, 0);
	}
	void stroke(cv::Point2d from, cv::Point2d to, const Pen& pen)
	{
		cv::line(reflectance, at(from), at(to), pen.colour, thickness(pen), cv::LINE_AA);
	}
	/// Something lying on the board, with sharp edges: a hand, a sleeve, a
	/// filled patch of ink.
	void cover(const std::vector<cv::Point2d>& outline, const cv::Scalar& colour)
	{
		std::vector<cv::Point> points;
		for (const cv::Point2d& p : outline)
		{
			points.push_back(at(p));
		}
		cv::fillPoly(reflectance, std::vector<std::vector<cv::Point>>{points}, colour, cv::LINE_AA);
	}
	void coverDisc(cv::Point2d centre, double radius, const cv::Scalar& colour)
	{
		cv::circle(reflectance, at(centre), int(std::lround(radius * fine)), colour, cv::FILLED, cv::LINE_AA);
	}

	/// The drawing at the board's resolution, reflectance 0 to 1 per channel.
	cv::Mat atBoardSize() const
	{
		cv::Mat small;
		cv::resize(reflectance, small, cv::Size(640, 480), 0, 0, cv::INTER_AREA);
		small.convertTo(small, CV_32FC3, 1.0 / 255.0);
		return small;
	}

private:
	static cv::Point at(cv::Point2d p) { return cv::Point(int(std::lround(p.x * fine)), int(std::lround(p.y * fine))); }
	static int thickness(const Pen& pen) { return std::max(1, int(std::lround(pen.width * fine))); }
};

/// A region of the board, 0 outside and 1 inside, with an edge `soft` board
/// pixels wide (from 10 % to 90 %).
inline cv::Mat softRegion(const std::vector<cv::Point2d>& outline, double soft)
{
	cv::Mat region(480, 640, CV_32F, cv::Scalar(0.0));
	std::vector<cv::Point> points;
	for (const cv::Point2d& p : outline)
	{
		points.push_back(cv::Point(int(std::lround(p.x * 16)), int(std::lround(p.y * 16))));
	}
	cv::fillPoly(region, std::vector<std::vector<cv::Point>>{points}, cv::Scalar(1.0), cv::LINE_AA, 4);
	if (soft > 0.0)
	{
		// A Gaussian's 10 % to 90 % rise is 2.56 sigmas.
		cv::GaussianBlur(region, region, cv::Size(), soft / 2.56, soft / 2.56, cv::BORDER_REPLICATE);
	}
	return region;
}

inline std::vector<cv::Point2d> discOutline(cv::Point2d centre, double radius)
{
	std::vector<cv::Point2d> outline;
	for (int i = 0; i < 64; ++i)
	{
		const double a = i * CV_PI / 32.0;
		outline.emplace_back(centre.x + radius * std::cos(a), centre.y + radius * std::sin(a));
	}
	return outline;
}

/// A band `width` wide through `through`, at `angle` degrees, across the board.
inline std::vector<cv::Point2d> bandOutline(cv::Point2d through, double angle, double width)
{
	const cv::Point2d along(std::cos(angle * CV_PI / 180.0), std::sin(angle * CV_PI / 180.0));
	const cv::Point2d across(-along.y, along.x);
	const double far = 1000.0;
	return {through - along * far - across * (width / 2), through + along * far - across * (width / 2),
		through + along * far + across * (width / 2), through - along * far + across * (width / 2)};
}

/// The half of the board on the left of the line from `a` to `b`.
inline std::vector<cv::Point2d> halfPlaneOutline(cv::Point2d a, cv::Point2d b)
{
	const cv::Point2d along = (b - a) / cv::norm(b - a);
	const cv::Point2d left(along.y, -along.x);
	const double far = 2000.0;
	return {a - along * far, b + along * far, b + along * far + left * far, a - along * far + left * far};
}

/// The light on the board: what paper reads under the room's light, shadows,
/// patches of light of another colour, and a lamp's glare.
struct Light
{
	/// What white paper reads, BGR.
	cv::Vec3d white{240, 240, 240};

	struct Shade
	{
		cv::Mat region;
		/// Factors of B, G, R inside the region: less light (a shadow), or
		/// light of another colour.
		cv::Vec3d factor;
	};
	std::vector<Shade> shades;

	/// A shadow over `outline`, `darker` (0.3: a third less light), edge `soft` pixels wide.
	Light& shadow(const std::vector<cv::Point2d>& outline, double darker, double soft)
	{
		shades.push_back({softRegion(outline, soft), cv::Vec3d::all(1.0 - darker)});
		return *this;
	}
	/// Light of another colour over `outline`: its factors on B, G, R.
	Light& patch(const std::vector<cv::Point2d>& outline, cv::Vec3d factor, double soft)
	{
		shades.push_back({softRegion(outline, soft), factor});
		return *this;
	}

	/// A lamp's highlight: the lamp itself reflected in the paper's surface,
	/// a core where paper and ink alike read the sensor's top, in a halo of
	/// reflected light that adds to every colour under it.
	struct Glare
	{
		cv::Point2d centre;
		/// The core's spread: paper clips out to about 3.3 of it, black ink
		/// to about 2.4.
		double coreSigma;
		/// Grey levels the halo adds at its middle, and its spread.
		double haloPeak;
		double haloSigma;
	};
	/// What the lamp's reflection adds at the core's middle: far above the
	/// sensor's top.
	static constexpr double coreBrightness = 4000.0;
	std::vector<Glare> glares;
	Light& glare(cv::Point2d centre, double coreSigma, double haloPeak, double haloSigma)
	{
		glares.push_back({centre, coreSigma, haloPeak, haloSigma});
		return *this;
	}
	/// How far from a glare's centre even black ink reads the sensor's top.
	static double clippedInk(const Glare& g) { return g.coreSigma * std::sqrt(2.0 * std::log(coreBrightness / 230.0)); }

	/// The board lit: reflectance times light, plus glare.
	cv::Mat onBoard(const cv::Mat& reflectance) const
	{
		cv::Mat lit(reflectance.size(), CV_32FC3);
		for (int y = 0; y < lit.rows; ++y)
		{
			for (int x = 0; x < lit.cols; ++x)
			{
				cv::Vec3d light = white;
				for (const Shade& shade : shades)
				{
					const double inside = shade.region.at<float>(y, x);
					for (int c = 0; c < 3; ++c)
					{
						light[c] *= 1.0 + inside * (shade.factor[c] - 1.0);
					}
				}
				double added = 0.0;
				for (const Glare& g : glares)
				{
					const double r2 = (x - g.centre.x) * (x - g.centre.x) + (y - g.centre.y) * (y - g.centre.y);
					added += coreBrightness * std::exp(-r2 / (2.0 * g.coreSigma * g.coreSigma))
						+ g.haloPeak * std::exp(-r2 / (2.0 * g.haloSigma * g.haloSigma));
				}
				const cv::Vec3f r = reflectance.at<cv::Vec3f>(y, x);
				lit.at<cv::Vec3f>(y, x) = cv::Vec3f(float(r[0] * light[0] + added), float(r[1] * light[1] + added),
					float(r[2] * light[2] + added));
			}
		}
		return lit;
	}
};

/// The webcam: lens blur, sensor noise (a fixed seed), the sensor's top.
inline cv::Mat photograph(const cv::Mat& lit, double blur = 0.7, double noise = 2.0)
{
	cv::Mat picture;
	cv::GaussianBlur(lit, picture, cv::Size(), blur, blur);
	cv::Mat grain(picture.size(), CV_32FC3);
	cv::RNG rng(20240519);
	rng.fill(grain, cv::RNG::NORMAL, 0.0, noise);
	picture += grain;
	picture.convertTo(picture, CV_8UC3);
	return picture;
}

inline cv::Mat photograph(const Drawing& drawing, const Light& light, double blur = 0.7, double noise = 2.0)
{
	return photograph(light.onBoard(drawing.atBoardSize()), blur, noise);
}

}  // namespace litboard
