#pragma once

#include "analysis/InkLayers.h"
#include "analysis/ShapeRecord.h"

#include <vector>

/// True when the black contours are the shapes of `walls`, the last rescan's
/// wall records (its walls and new balls' rings), allowing for the whole
/// drawing having moved: their centroids, once the new drawing's mean point
/// is moved onto the old one's, pair up at an average of under 20 pixels.
/// No contour is never the same map.
bool isSameMap(const std::vector<ShapeRecord>& walls, const std::vector<Contour>& blackContours);
