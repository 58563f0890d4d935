#pragma once

#include "analysis/RingJudgement.h"
#include "core/Event.h"

#include <opencv2/core/types.hpp>

#include <string>

/// The ink a circle is drawn in, which says what it becomes.
enum class CircleInk
{
	Black,  ///< a ball, reported as "ball"
	Yellow  ///< a sensor circle, reported as "sensor"
};

/// A drawn ring that became no ball or sensor though it nearly is one: too
/// large or too small, or too uneven. A player who drew it meant a circle
/// and is told why it is none.
struct RefusedRing
{
	CircleInk ink = CircleInk::Black;
	/// Its centre, board pixels.
	cv::Point2d centre;
	/// What it is to the ink's template (WrongSize or Uneven).
	RingJudgement judgement;
	/// Rings of any size were asked for (the sizes in `judgement` are those).
	bool anySize = false;
	/// Found for the first time in this drawing: a rescan of the same drawing
	/// finds it again, and it is told once.
	bool firstSeen = true;
};

/// One line for the player, such as "a black ring 40 mm across was taken for
/// a wall: balls are drawn 21 to 34 mm across (drawtable-make-templates fits
/// them to your pens, --any-size takes rings of 12 to 60 mm)".
std::string refusedRingWords(const RefusedRing& ring);

/// The trace's event: "wrongSize" (ink, x, y in world units, diameter and the
/// smallest and largest diameters taken, millimetres) or "unevenRing" (the
/// same, and the radius's spread and the largest taken, as shares of it).
Event refusedRingEvent(const RefusedRing& ring);
