#include "analysis/RingJudgement.h"

#include "analysis/TemplateRing.h"

#include <algorithm>
#include <cmath>

namespace
{

/// The widest factor, either way, that the sizes a ring is a circle at are
/// looked for within: a ring four times the template's size is no circle of it.
constexpr double widestFactor = 4.0;
/// Halvings of the interval that the edge of those sizes is found to: far
/// below a tenth of a millimetre.
constexpr int edgeHalvings = 24;

/// Every component but the spread of the radius.
constexpr int allButRadiusSpread[descriptorSize] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0};

double templateDistance(const ShapeDescriptor& d, const CircleTemplate& circle,
	const int (&weights)[descriptorSize] = unitWeights)
{
	return descriptorDistance(d - circle.descriptor, circle.exponents, weights);
}

bool circleAt(const ShapeDescriptor& d, const CircleTemplate& circle, double factor)
{
	// Written so that a NaN distance is no circle.
	return templateDistance(scaledDescriptor(d, factor), circle) < circleMatchLimit;
}

/// The factor that brings the ring's mean radius to the template's.
double templateFactor(const ShapeDescriptor& d, const CircleTemplate& circle)
{
	return descriptorMeanRadius(circle.descriptor) / descriptorMeanRadius(d);
}

/// The factor between `inside` (a circle there) and `outside` (none) where
/// the ring stops being a circle, on the inside of it.
double edgeFactor(const ShapeDescriptor& d, const CircleTemplate& circle, double inside, double outside)
{
	for (int i = 0; i < edgeHalvings; ++i)
	{
		const double middle = std::sqrt(inside * outside);
		(circleAt(d, circle, middle) ? inside : outside) = middle;
	}
	return inside;
}

/// The edge of the factors, from `inside` towards `outside`, that the ring is
/// a circle at: `outside` itself when it is one there too.
double lastCircleFactor(const ShapeDescriptor& d, const CircleTemplate& circle, double inside, double outside)
{
	return circleAt(d, circle, outside) ? outside : edgeFactor(d, circle, inside, outside);
}

/// The spread of a ring's radius at the template's size that the template
/// takes when nothing else differs.
double largestCircleSpread(const CircleTemplate& circle)
{
	const double weight = std::ldexp(1.0, circle.exponents[radiusVarianceRow]);
	const double variance = circle.descriptor.at<double>(radiusVarianceRow) + circleMatchLimit / weight;
	return std::sqrt(std::max(0.0, variance)) / descriptorMeanRadius(circle.descriptor);
}

/// A ring measures a few tenths of a millimetre short of the pen's line:
/// the border of the thinned line runs through its pixels' centres, inside.
constexpr double measuredShortMm = 0.5;

bool withinAnySize(double diameterMm)
{
	return diameterMm >= anySizeSmallestMm - measuredShortMm && diameterMm <= anySizeLargestMm + measuredShortMm;
}

}  // namespace

ShapeDescriptor scaledDescriptor(const ShapeDescriptor& d, double factor)
{
	ShapeDescriptor scaled = d.clone();
	if (factor == 1.0)
	{
		return scaled;
	}
	for (const int row : {2, 3, int(meanRadiusRow)})
	{
		scaled.at<double>(row) *= factor;
	}
	// The grid's part of the spread stays a pixel's at any size.
	const double variance = d.at<double>(radiusVarianceRow);
	const double drawn = std::max(0.0, variance - gridRadiusVariance);
	scaled.at<double>(radiusVarianceRow) = drawn * factor * factor + (variance - drawn);
	return scaled;
}

double ringDiameterMm(const ShapeDescriptor& d, const CircleSizes& sizes)
{
	return 2.0 * descriptorMeanRadius(d) * sizes.mmPerPixel;
}

bool isCircle(const ShapeDescriptor& d, const CircleTemplate& circle, const CircleSizes& sizes)
{
	if (circleAt(d, circle, 1.0))
	{
		return true;
	}
	return sizes.anySize && withinAnySize(ringDiameterMm(d, sizes)) && circleAt(d, circle, templateFactor(d, circle));
}

RingJudgement judgeRing(const ShapeDescriptor& d, const CircleTemplate& circle, const CircleSizes& sizes)
{
	RingJudgement ring;
	if (!hasMeanRadius(d) || !(descriptorMeanRadius(d) > 0.0) || !(descriptorMeanRadius(circle.descriptor) > 0.0))
	{
		return ring;
	}
	ring.diameterMm = ringDiameterMm(d, sizes);
	if (isCircle(d, circle, sizes))
	{
		ring.verdict = RingJudgement::Verdict::Circle;
		return ring;
	}
	const double atTemplate = templateFactor(d, circle);
	const ShapeDescriptor resized = scaledDescriptor(d, atTemplate);
	ring.spread = std::sqrt(std::max(0.0, resized.at<double>(radiusVarianceRow))) / descriptorMeanRadius(resized);
	ring.largestSpread = largestCircleSpread(circle);
	if (circleAt(d, circle, atTemplate))
	{
		ring.verdict = RingJudgement::Verdict::WrongSize;
		if (sizes.anySize)
		{
			ring.smallestMm = anySizeSmallestMm;
			ring.largestMm = anySizeLargestMm;
			return ring;
		}
		// At its own size it is no circle: the edge lies between that and
		// the template's size on one side, anywhere out to the widest on the other.
		const bool tooLarge = atTemplate < 1.0;
		const double nearEdge = edgeFactor(d, circle, atTemplate, 1.0);
		const double farEdge = lastCircleFactor(d, circle, atTemplate, tooLarge ? atTemplate / widestFactor
																				 : atTemplate * widestFactor);
		ring.smallestMm = ring.diameterMm * std::min(nearEdge, farEdge);
		ring.largestMm = ring.diameterMm * std::max(nearEdge, farEdge);
		return ring;
	}
	if (templateDistance(resized, circle, allButRadiusSpread) < circleMatchLimit && ring.spread <= roundRingSpread)
	{
		ring.verdict = RingJudgement::Verdict::Uneven;
		// The sizes a ring of the template's own shape is a circle at.
		const double templateMm = ringDiameterMm(circle.descriptor, sizes);
		ring.smallestMm = sizes.anySize ? anySizeSmallestMm
										: templateMm * lastCircleFactor(circle.descriptor, circle, 1.0, 1.0 / widestFactor);
		ring.largestMm = sizes.anySize ? anySizeLargestMm
									   : templateMm * lastCircleFactor(circle.descriptor, circle, 1.0, widestFactor);
	}
	return ring;
}
