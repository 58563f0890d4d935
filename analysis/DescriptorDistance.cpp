#include "analysis/DrawingAnalysis.h"

#include <cassert>
#include <cmath>

double DrawingAnalysis::descriptorDistance(const cv::Mat& difference) const
{
	assert(difference.rows == descriptorSize && difference.cols == 1 && difference.type() == CV_64F);
	cv::Mat scaled(descriptorSize, 1, CV_64F);
	for (int i = 0; i < descriptorSize; ++i)
	{
		// Exact powers of two; -10000 underflows to 0 and so drops the component.
		const double factor = descriptorWeights[i] * std::ldexp(1.0, descriptorExponents[i]);
		scaled.at<double>(i) = difference.at<double>(i) * factor;
	}
	return cv::norm(scaled, cv::NORM_L2);
}

float DrawingAnalysis::nearestDescriptor(const ShapeDescriptor& query, const std::vector<ShapeDescriptor>& candidates,
	int& index) const
{
	float best = noCandidateDistance;
	index = -1;
	for (int i = 0; i < int(candidates.size()); ++i)
	{
		const float d = float(descriptorDistance(candidates[i] - query));
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

float DrawingAnalysis::nearestRecord(const std::vector<ShapeRecord>& records, const ShapeDescriptor& query,
	const ShapeRecord*& nearest) const
{
	std::vector<ShapeDescriptor> descriptors;  // headers only; the data stays in the records
	descriptors.reserve(records.size());
	for (const ShapeRecord& record : records)
	{
		descriptors.push_back(record.descriptor);
	}
	int index = -1;
	const float best = nearestDescriptor(query, descriptors, index);
	nearest = index < 0 ? nullptr : &records[index];
	return best;
}
