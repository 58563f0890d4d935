#pragma once

#include "analysis/ShapeRecord.h"

#include <opencv2/core.hpp>

#include <vector>

class PhysicsScene;

/// One thing the projector shows, in board pixels: a filled polygon, or a line
/// of some width through the points.
struct ProjectedShape
{
	std::vector<cv::Point2f> points;
	cv::Scalar colour;
	bool filled = true;
	bool closed = true;
	/// Line width in board pixels; filled shapes have none.
	float width = 0.0f;
};

/// The projected colours (BGR). Projected light adds to the paper, so each
/// makes white paper brighter and bluish or greenish: Cr stays well below the
/// 133 where red, yellow and skin begin, and the light is brighter than black
/// ink can be. No ink class takes any of them, whatever the paper's tone.
namespace projectedColour
{
const cv::Scalar body(0, 255, 0);
const cv::Scalar mouseWall(255, 160, 0);
const cv::Scalar sensor(255, 255, 0);
const cv::Scalar burst(255, 255, 160);
const cv::Scalar wallOutline(160, 255, 0);
}  // namespace projectedColour

/// A shatter, shown as a widening ring for a while after it happened.
struct Burst
{
	/// Board pixels.
	cv::Point2f centre;
	/// Passes since the shatter.
	int age = 0;
};

/// Passes a burst is shown.
constexpr int burstPasses = 18;

/// What the projector shows of the game, in board pixels: the moving bodies
/// (balls, boxes, debris), the mouse-drawn walls, the sensor circles where
/// their rings are drawn (`sensors`, as the drawing analysis keeps them) (a ring round an untouched one, a disc once touched)
/// and the bursts; with `wallOutline`, the walls made from the drawing too,
/// as thin lines over the ink, for checking the alignment. The moving bodies
/// are shown `lead` seconds ahead, where their velocities take them: the
/// light reaches the paper, and the camera sees it, that much later. Bodies
/// marked for the next flush are not shown.
std::vector<ProjectedShape> projectedShapes(const PhysicsScene& scene, const std::vector<ShapeRecord>& sensors,
	const std::vector<Burst>& bursts, bool wallOutline, float lead = 0.0f);
