#include "analysis/DescriptorDistance.h"

#include <cassert>
#include <cmath>

double descriptorDistance(const cv::Mat& difference, const DescriptorExponents& exponents,
	const int (&weights)[descriptorSize])
{
	assert(difference.rows == descriptorSize && difference.cols == 1 && difference.type() == CV_64F);
	cv::Mat scaled(descriptorSize, 1, CV_64F);
	for (int i = 0; i < descriptorSize; ++i)
	{
		// Exact powers of two; -10000 underflows to 0 and so drops the component.
		const double factor = weights[i] * std::ldexp(1.0, exponents[i]);
		scaled.at<double>(i) = difference.at<double>(i) * factor;
	}
	return cv::norm(scaled, cv::NORM_L2);
}

float nearestDescriptor(const ShapeDescriptor& query, const std::vector<ShapeDescriptor>& candidates,
	const DescriptorExponents& exponents, int& index)
{
	float best = noCandidateDistance;
	index = -1;
	for (int i = 0; i < int(candidates.size()); ++i)
	{
		const float d = float(descriptorDistance(candidates[i] - query, exponents));
		if (std::isnan(d))
		{
			continue;
		}
		// The first measurable candidate is taken whatever its distance.
		if (index == -1 || d < best)
		{
			best = d;
			index = i;
		}
	}
	return best;
}

float nearestRecord(const std::vector<ShapeRecord>& records, const ShapeDescriptor& query,
	const DescriptorExponents& exponents, const ShapeRecord*& nearest)
{
	std::vector<ShapeDescriptor> descriptors;  // headers only; the data stays in the records
	descriptors.reserve(records.size());
	for (const ShapeRecord& record : records)
	{
		descriptors.push_back(record.descriptor);
	}
	int index = -1;
	const float best = nearestDescriptor(query, descriptors, exponents, index);
	nearest = index < 0 ? nullptr : &records[index];
	return best;
}
