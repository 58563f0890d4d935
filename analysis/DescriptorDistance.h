#pragma once

#include "analysis/ShapeRecord.h"

#include <vector>

/// How a distance weighs each component of two descriptors' difference: it is
/// scaled by 2^e[i], and -10000 switches it off.
using DescriptorExponents = int[descriptorSize];

/// Template tests ignore position and weigh shape.
constexpr DescriptorExponents blackTemplateExponents = {-10000, -10000, -2, -4, -2, 0, -5, -1, -2, 0};
constexpr DescriptorExponents yellowTemplateExponents = {-10000, -10000, -3, -4, -3, -3, -1, -4, 1, -5};
/// Plain pixel distance between centroids: is this circle one already kept?
constexpr DescriptorExponents duplicateExponents = {0, 0, -10000, -10000, -10000, -10000, -10000, -10000, -10000, -10000};
/// Half the pixel distance between centroids: is this the drawing seen before?
constexpr DescriptorExponents sameMapExponents = {-1, -1, -10000, -10000, -10000, -10000, -10000, -10000, -10000, -10000};

/// Every component weighs the same, unless a caller says otherwise.
constexpr int unitWeights[descriptorSize] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

/// Distance returned when no candidate could be measured.
constexpr float noCandidateDistance = 10000.0f;

/// Length of the difference of two descriptors, each component scaled by its
/// weight and by 2 to its exponent.
double descriptorDistance(const cv::Mat& difference, const DescriptorExponents& exponents,
	const int (&weights)[descriptorSize] = unitWeights);

/// Smallest distance from the query to a candidate (noCandidateDistance when
/// none can be measured); `index` gets that candidate's place or -1. Ties keep
/// the earlier candidate; NaN distances are skipped.
float nearestDescriptor(const ShapeDescriptor& query, const std::vector<ShapeDescriptor>& candidates,
	const DescriptorExponents& exponents, int& index);

/// The same over the records' descriptors; `nearest` gets the record or null.
float nearestRecord(const std::vector<ShapeRecord>& records, const ShapeDescriptor& query,
	const DescriptorExponents& exponents, const ShapeRecord*& nearest);
