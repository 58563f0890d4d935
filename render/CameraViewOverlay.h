#pragma once

#include "analysis/ShapeRecord.h"

#include <box2d/b2_math.h>
#include <opencv2/core.hpp>

#include <vector>

class b2Body;
class Display;
class PhysicsScene;
struct RectifiedBoard;

/// The pictures the overlay paints, kept from pass to pass: "warped", the
/// rectified board of the last scan with the circles that became bodies
/// painted over, and this pass's camera picture with the moving bodies
/// painted in ("normal" shows it turned by 180 degrees; the recorder keeps it
/// as the pass's game picture).
struct CameraViewPictures
{
	cv::Mat warped;
	cv::Mat camera;
	/// The board rectification `warped` was copied from (0 for none yet).
	int warpedRectification = 0;
};

/// This pass's pictures: the camera frame copied and the moving bodies painted
/// into it where the camera sees them; "warped" taken afresh from the board
/// when a scan has rectified it anew, and the drawn circles that became balls
/// (`balls`), and sensor circles (`sensors`) once touched, erased from both by
/// squares of the paper's colour.
/// Shows "warped" (once a board has been scanned) and "normal" (once a camera
/// frame came). Before the first scan, or with a homography that cannot be
/// inverted, nothing is erased or painted.
void composeCameraView(CameraViewPictures& pictures, const cv::Mat& cameraFrame, const RectifiedBoard& board,
	const std::vector<ShapeRecord>& balls, const std::vector<ShapeRecord>& sensors, const PhysicsScene& scene,
	Display& display);

/// The world outline of a body, fixture by fixture in Box2D's list order (the
/// newest fixture first): every vertex of a polygon, ten points round a circle
/// (about the body origin), nothing for edges and chains.
std::vector<b2Vec2> bodyOutline(const b2Body& body);

/// The camera pixel of a board point, through the inverse homography; each
/// coordinate truncated toward zero. A point that would land at infinity or
/// beyond any image is held at +-2^24 so it can still be drawn (clipped).
cv::Point boardPointToCamera(const cv::Mat& boardToCamera, float x, float y);
