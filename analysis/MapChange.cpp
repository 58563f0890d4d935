#include "analysis/MapChange.h"

#include "analysis/DescriptorDistance.h"

#include <limits>

namespace
{

/// A shape costs at most this: half of 50 pixels between centroids or more.
constexpr float matchCostCap = 25.0f;
/// The drawing is the same when the mean cost is below this (an average
/// centroid error below 20 pixels).
constexpr double sameMapLimit = 10.0;

/// Sum and count of the points of several contours, kept in float as the
/// comparison has always been made.
struct PointMean
{
	float sumX = 0.0f;
	float sumY = 0.0f;
	int count = 0;

	void add(const std::vector<cv::Point>& contour)
	{
		for (const cv::Point& p : contour)
		{
			sumX += float(p.x);
			sumY += float(p.y);
			++count;
		}
	}

	/// NaN when there is no point, so that no comparison with it holds.
	float x() const { return count > 0 ? sumX / float(count) : std::numeric_limits<float>::quiet_NaN(); }
	float y() const { return count > 0 ? sumY / float(count) : std::numeric_limits<float>::quiet_NaN(); }
};

}  // namespace

bool isSameMap(const std::vector<ShapeRecord>& walls, const std::vector<Contour>& blackContours)
{
	std::vector<ShapeDescriptor> newShapes;
	PointMean newMean;
	for (const Contour& contour : blackContours)
	{
		newShapes.push_back(computeDescriptor(contour));
		newMean.add(contour);
	}
	std::vector<ShapeDescriptor> oldShapes;
	PointMean oldMean;
	for (const ShapeRecord& record : walls)
	{
		oldShapes.push_back(record.descriptor.clone());
		oldMean.add(record.contour);
	}

	// Moving the new drawing onto the old one's mean point forgives a drawing
	// (or board) that has moved as a whole.
	const float shiftX = oldMean.x() - newMean.x();
	const float shiftY = oldMean.y() - newMean.y();
	double total = 0.0;
	for (ShapeDescriptor& d : newShapes)
	{
		d.at<double>(centroidXRow) += shiftX;
		d.at<double>(centroidYRow) += shiftY;
		int k = -1;
		const float h = nearestDescriptor(d, oldShapes, sameMapExponents, k);
		if (h > matchCostCap)
		{
			total += matchCostCap;
			continue;
		}
		// Each old shape pairs with one new shape at most.
		oldShapes.erase(oldShapes.begin() + k);
		total += h;
	}
	// No new shape: nothing to compare, so never the same map (an empty
	// board resets the scene at every rescan).
	if (newShapes.empty())
	{
		return false;
	}
	return total / double(newShapes.size()) < sameMapLimit;
}
