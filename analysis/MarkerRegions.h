#pragma once

#include "core/EventSink.h"

#include <opencv2/core.hpp>

class PhysicsScene;
struct RectifiedBoard;

/// Replace the scene's portal by one over the portal card, if the board's scan
/// saw it (reported to `events`), blank the card out of the black mask, and
/// crop the black mask to the board's drawing area. True when a portal was
/// made.
bool applyMarkerRegions(const RectifiedBoard& board, cv::Mat& blackMask, PhysicsScene& scene, EventSink* events);
