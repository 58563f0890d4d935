#pragma once

#include <opencv2/core.hpp>

#include <map>
#include <vector>

/// Balls painted as shaded discs: lit from the upper left, with a highlight,
/// a shade on the far side and an anti-aliased edge, and a spot that turns
/// with the ball, so that rolling shows. The shading of each size, and how
/// much of each pixel its disc covers, is worked out once and kept: a ball
/// then costs a copy of its pixels and a blend of its edge, a fraction of
/// what an anti-aliased circle costs to fill (a hundred balls a pass).
class ShadedBall
{
public:
	/// Paint a ball of `radius` window pixels about `centre`, turned by
	/// `angle` (radians, anticlockwise as the world turns).
	void paint(cv::Mat& window, cv::Point2d centre, double radius, double angle);

private:
	struct Shading
	{
		/// The lit disc about its middle pixel, and how much of each pixel
		/// it covers (0 to 255).
		cv::Mat colour;
		cv::Mat cover;
		/// Row by row, the columns the disc covers at all and those it
		/// covers whole: the edge is blended, the rest copied.
		std::vector<cv::Range> covered;
		std::vector<cv::Range> whole;
	};

	/// The shading of a ball, or of its spot, of a radius in quarter pixels,
	/// from those kept.
	static const Shading& shadingOf(std::map<int, Shading>& kept, int quarterPixels, bool spot);
	/// Blend a shading into the window about `centre`, to the nearest pixel.
	static void place(cv::Mat& window, const Shading& shading, cv::Point2d centre);

	/// By radius in quarter pixels.
	std::map<int, Shading> m_balls;
	std::map<int, Shading> m_spots;
};
