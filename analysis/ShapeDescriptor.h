#pragma once

#include <opencv2/core.hpp>

#include <vector>

/// Ten numbers describing a contour: 10 rows, 1 column, CV_64F.
///  0, 1  centroid x and y (mean of the points)
///  2     sum of the absolute turning angles
///  3     length of the open polyline (the closing segment is not counted)
///  4     absolute value of the sum of the signed turning angles
///  5, 6  direction from the point at n/2, and from the point at n/4, to the first point
///  7     largest signed turn, never below 0
///  8     mean distance of the points from the centroid
///  9     sample variance of those distances
/// Points are averaged, not length: straight runs count only by their end points.
using ShapeDescriptor = cv::Mat;

constexpr int descriptorSize = 10;

/// The rows read by name.
enum DescriptorRow
{
	centroidXRow = 0,
	centroidYRow = 1,
	meanRadiusRow = 8,
	radiusVarianceRow = 9
};

/// The descriptor is a vector of doubles long enough to hold its mean radius
/// (a record made by hand may not be).
inline bool hasMeanRadius(const ShapeDescriptor& d)
{
	return d.type() == CV_64F && (d.rows == 1 || d.cols == 1) && d.total() > size_t(meanRadiusRow);
}

/// The centroid, in board pixels.
inline cv::Point2d descriptorCentroid(const ShapeDescriptor& d)
{
	return cv::Point2d(d.at<double>(centroidXRow), d.at<double>(centroidYRow));
}

/// The mean distance of the points from the centroid, in board pixels: a
/// drawn circle's radius.
inline double descriptorMeanRadius(const ShapeDescriptor& d)
{
	return d.at<double>(meanRadiusRow);
}

/// The descriptor of a contour in board pixels. An empty contour gives ten
/// zeros; a component that is not a number is 0.
ShapeDescriptor computeDescriptor(std::vector<cv::Point> contour);

/// The same angle in [-pi, pi).
double wrapAngle(double angle);
