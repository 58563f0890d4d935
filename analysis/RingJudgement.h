#pragma once

#include "analysis/DescriptorDistance.h"

/// A contour is a circle when its distance from the template is below this.
constexpr double circleMatchLimit = 5.0;

/// Rings of any size from this to that diameter are circles with --any-size.
constexpr double anySizeSmallestMm = 12.0;
constexpr double anySizeLargestMm = 60.0;

/// Which drawn rings may be circles, and how big a board pixel is on paper.
struct CircleSizes
{
	/// Millimetres of paper across one board pixel: the shipped board's (312
	/// mm between the corner markers' centres over 639 pixels) until the
	/// program has read its own marker file.
	double mmPerPixel = 312.0 / 639.0;
	/// Rings from anySizeSmallestMm to anySizeLargestMm across are circles
	/// whatever the templates' size, as well as those the templates match.
	bool anySize = false;
};

/// A circle template and the weights its ink's contours are measured with.
struct CircleTemplate
{
	const ShapeDescriptor& descriptor;
	const DescriptorExponents& exponents;
};

/// The descriptor the same contour would have drawn `factor` times as large
/// about its centroid: its turning and length grow with it (a thinned line's
/// turns are the pixel steps along it), its mean radius too, and the spread
/// of its radius beyond the pixel grid's own (gridRadiusVariance) with the
/// square. A factor of 1 gives the descriptor back.
ShapeDescriptor scaledDescriptor(const ShapeDescriptor& d, double factor);

/// Spread of a ring's radius, in square pixels, that the pixel grid and the
/// thinning give any drawn ring: a pixel's worth, however large the ring.
constexpr double gridRadiusVariance = 1.0;

/// A ring's diameter on paper, in millimetres: twice its mean radius.
double ringDiameterMm(const ShapeDescriptor& d, const CircleSizes& sizes);

/// What a contour is to a circle template.
struct RingJudgement
{
	enum class Verdict
	{
		Circle,     ///< a circle: it becomes a ball or a sensor
		WrongSize,  ///< a round ring that would be a circle at another size
		Uneven,     ///< a ring in every way but its radius, which varies too much round it
		NoRing      ///< a line, a corner, a square: nothing like a circle
	};

	Verdict verdict = Verdict::NoRing;
	/// The ring's diameter, millimetres.
	double diameterMm = 0.0;
	/// The diameters, millimetres, at which a ring like it is a circle (for
	/// Uneven: a ring of the template's own shape); 0 to 0 when none.
	double smallestMm = 0.0;
	double largestMm = 0.0;
	/// The standard deviation of its radius as a share of the radius, and the
	/// most a circle's may have.
	double spread = 0.0;
	double largestSpread = 0.0;
};

/// Whether the contour of descriptor `d` is a circle of the template at its
/// own size (the test every drawn circle has always had to pass), or, with
/// `sizes.anySize`, at any size within its range.
bool isCircle(const ShapeDescriptor& d, const CircleTemplate& circle, const CircleSizes& sizes);

/// Why a contour that is no circle is none, measured: at the template's size
/// (its mean radius scaled to the template's) a round ring of the wrong size
/// is a circle; a ring whose radius alone differs too much from the
/// template's is uneven; anything else is no ring.
RingJudgement judgeRing(const ShapeDescriptor& d, const CircleTemplate& circle, const CircleSizes& sizes);
