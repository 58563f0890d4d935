#include "render/CameraViewOverlay.h"

#include "core/PixelWorldMapping.h"
#include "physics/PhysicsScene.h"
#include "platform/Display.h"
#include "render/HalfTurn.h"
#include "tracking/RectifiedBoard.h"

#include <box2d/b2_body.h>
#include <box2d/b2_circle_shape.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_polygon_shape.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// An erased circle is covered by a square of half-side this times its mean radius.
constexpr double eraseHalfSideFactor = 2.0;
/// Corners of the erase square, in drawing order.
constexpr int eraseCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
/// Every moving body is painted in this one colour (B, G, R).
const cv::Scalar bodyColour(255, 128, 128, 0);
/// A body whose outline is a single point is painted as a disc of this radius.
constexpr int singlePointRadius = 20;
constexpr int circleOutlinePoints = 10;

/// Far enough outside any image to be clipped away, small enough for the
/// polygon filler's fixed-point arithmetic.
constexpr double pixelLimit = 16777216.0;

int truncatedPixel(double value)
{
	if (!(std::abs(value) < pixelLimit))  // also catches NaN
	{
		return int(value > 0.0 ? pixelLimit : -pixelLimit);
	}
	return int(std::trunc(value));
}

/// The paper's colour around an erase square, read along its edge this far
/// outside it (board pixels, clear of the fill's edge), this many points a side.
constexpr double edgeGap = 4.0;
constexpr int edgePointsASide = 8;

/// The median, channel by channel, of a BGR picture at `points`; false when
/// fewer than half of them lie inside it.
bool medianAt(const cv::Mat& picture, const std::vector<cv::Point>& points, cv::Vec3b& colour)
{
	if (picture.empty() || picture.type() != CV_8UC3)
	{
		return false;
	}
	const cv::Rect inside(0, 0, picture.cols, picture.rows);
	std::vector<uchar> channels[3];
	for (const cv::Point& p : points)
	{
		if (inside.contains(p))
		{
			const cv::Vec3b& pixel = picture.at<cv::Vec3b>(p);
			for (int c = 0; c < 3; ++c)
			{
				channels[c].push_back(pixel[c]);
			}
		}
	}
	if (2 * channels[0].size() < points.size())
	{
		return false;
	}
	for (int c = 0; c < 3; ++c)
	{
		const auto middle = channels[c].begin() + long(channels[c].size() / 2);
		std::nth_element(channels[c].begin(), middle, channels[c].end());
		colour[c] = *middle;
	}
	return true;
}

cv::Scalar asFill(const cv::Vec3b& colour)
{
	return cv::Scalar(colour[0], colour[1], colour[2], 0);
}

/// Cover a drawn circle by a square of the paper's colour around it, in the
/// rectified board and in this pass's camera picture, each read along the
/// square's edge just outside it: the median there is the paper's, whatever
/// crosses the edge. (At the circle's centre, where the colour was once read,
/// lay the ink of any stroke drawn across the ring, as in the demo's sensor
/// rings, a hand over it or the projector's light on it; and the frame of the
/// scan kept the light, and the hand, of that moment.) A record whose
/// descriptor is too short, or whose edge lies mostly outside either picture,
/// is left alone.
void eraseCircle(const cv::Mat& descriptor, const cv::Mat& boardToCamera, cv::Mat& board, cv::Mat& camera)
{
	if (!hasMeanRadius(descriptor))
	{
		return;
	}
	const cv::Point2d drawn = descriptorCentroid(descriptor);
	const cv::Point centre(truncatedPixel(drawn.x), truncatedPixel(drawn.y));
	const double halfSide = eraseHalfSideFactor * descriptorMeanRadius(descriptor);

	std::vector<cv::Point> boardSquare, cameraSquare;
	for (const auto& corner : eraseCorners)
	{
		const cv::Point q(truncatedPixel(centre.x + corner[0] * halfSide),
			truncatedPixel(centre.y + corner[1] * halfSide));
		boardSquare.push_back(q);
		cameraSquare.push_back(boardPointToCamera(boardToCamera, float(q.x), float(q.y)));
	}
	std::vector<cv::Point> boardEdge, cameraEdge;
	const double reach = halfSide + edgeGap;
	for (int side = 0; side < 4; ++side)
	{
		const int* from = eraseCorners[side];
		const int* to = eraseCorners[(side + 1) % 4];
		for (int i = 0; i < edgePointsASide; ++i)
		{
			const double t = (i + 0.5) / edgePointsASide;
			const double x = centre.x + reach * (from[0] + t * (to[0] - from[0]));
			const double y = centre.y + reach * (from[1] + t * (to[1] - from[1]));
			boardEdge.emplace_back(truncatedPixel(x), truncatedPixel(y));
			cameraEdge.push_back(boardPointToCamera(boardToCamera, float(x), float(y)));
		}
	}
	// Both colours are taken before either fill.
	cv::Vec3b boardPaper, cameraPaper;
	if (!medianAt(board, boardEdge, boardPaper) || !medianAt(camera, cameraEdge, cameraPaper))
	{
		return;
	}
	cv::fillConvexPoly(board, boardSquare, asFill(boardPaper), cv::LINE_8, 0);
	cv::fillConvexPoly(camera, cameraSquare, asFill(cameraPaper), cv::LINE_8, 0);
}

void eraseConsumedCircles(const std::vector<ShapeRecord>& balls, const std::vector<ShapeRecord>& sensors,
	const PhysicsScene& scene, const cv::Mat& boardToCamera, cv::Mat& board, cv::Mat& camera)
{
	// A ball's circle stays erased after the ball is gone: the record outlives it.
	for (const ShapeRecord& record : balls)
	{
		eraseCircle(record.descriptor, boardToCamera, board, camera);
	}
	// A sensor circle vanishes once a solid body has touched it.
	for (const ShapeRecord& record : sensors)
	{
		// Records go with their bodies; should one outlive its body, it is not read.
		const BodyInfo* info = scene.isRegistered(record.body) ? bodyInfoOf(record.body) : nullptr;
		if (info != nullptr && info->touched)
		{
			eraseCircle(record.descriptor, boardToCamera, board, camera);
		}
	}
}

/// Paint one moving body where the camera sees it.
void paintBody(const b2Body& body, const PixelWorldMapping& mapping, const cv::Mat& boardToCamera, cv::Mat& camera)
{
	const auto toCamera = [&](const b2Vec2& p) {
		const cv::Point2f onBoard(mapping.toPixel(p.x, p.y));
		return boardPointToCamera(boardToCamera, onBoard.x, onBoard.y);
	};
	const std::vector<b2Vec2> outline = bodyOutline(body);
	if (outline.empty())
	{
		return;
	}
	if (outline.size() == 1)
	{
		cv::circle(camera, toCamera(outline[0]), singlePointRadius, bodyColour, cv::FILLED, cv::LINE_8, 0);
		return;
	}
	std::vector<cv::Point> polygon;
	for (const b2Vec2& p : outline)
	{
		polygon.push_back(toCamera(p));
	}
	cv::fillConvexPoly(camera, polygon, bodyColour, cv::LINE_8, 0);
}

void paintMovingBodies(const PhysicsScene& scene, const PixelWorldMapping& mapping, const cv::Mat& boardToCamera,
	cv::Mat& camera)
{
	if (camera.empty())
	{
		return;
	}
	for (const BodyInfo* info : scene.collectBodyInfo())
	{
		// Walls, sensor circles and the portal are on the paper already.
		if (info->kind == Solid || info->kind == Debris)
		{
			paintBody(*info->body, mapping, boardToCamera, camera);
		}
	}
}

}  // namespace

std::vector<b2Vec2> bodyOutline(const b2Body& body)
{
	std::vector<b2Vec2> outline;
	const b2Transform& transform = body.GetTransform();
	for (const b2Fixture* fixture = body.GetFixtureList(); fixture != nullptr; fixture = fixture->GetNext())
	{
		const b2Shape* shape = fixture->GetShape();
		if (shape->GetType() == b2Shape::e_polygon)
		{
			const auto* polygon = static_cast<const b2PolygonShape*>(shape);
			for (int i = 0; i < polygon->m_count; ++i)
			{
				outline.push_back(b2Mul(transform, polygon->m_vertices[i]));
			}
		}
		else if (shape->GetType() == b2Shape::e_circle)
		{
			// About the body origin: every circle of the system sits there.
			const float radius = shape->m_radius;
			for (int k = 0; k < circleOutlinePoints; ++k)
			{
				const float angle = float(k * 2.0 * CV_PI / circleOutlinePoints);
				const b2Vec2 local(radius * std::cos(angle), radius * std::sin(angle));
				outline.push_back(b2Mul(transform, local));
			}
		}
	}
	return outline;
}

cv::Point boardPointToCamera(const cv::Mat& boardToCamera, float x, float y)
{
	if (boardToCamera.type() != CV_64FC1 || boardToCamera.rows != 3 || boardToCamera.cols != 3)
	{
		// Let OpenCV's product accept or refuse whatever this is.
		const cv::Mat projected = boardToCamera * (cv::Mat_<double>(3, 1) << x, y, 1.0);
		const double w = projected.at<double>(2);
		return cv::Point(truncatedPixel(projected.at<double>(0) / w), truncatedPixel(projected.at<double>(1) / w));
	}
	// The matrix product by hand, term by term in the order OpenCV sums them,
	// without a matrix allocated for every painted point.
	const cv::Matx33d h(boardToCamera);
	const double px = double(x);
	const double py = double(y);
	const auto row = [&](int i) { return h(i, 0) * px + h(i, 1) * py + h(i, 2) * 1.0; };
	const double w = row(2);
	return cv::Point(truncatedPixel(row(0) / w), truncatedPixel(row(1) / w));
}

void composeCameraView(CameraViewPictures& pictures, const cv::Mat& cameraFrame, const RectifiedBoard& board,
	const std::vector<ShapeRecord>& balls, const std::vector<ShapeRecord>& sensors, const PhysicsScene& scene,
	Display& display)
{
	// The painted picture is a copy: the camera frame stays what the camera saw.
	if (cameraFrame.empty())
	{
		pictures.camera.release();
	}
	else
	{
		cameraFrame.copyTo(pictures.camera);
	}
	if (board.rectifications != pictures.warpedRectification)
	{
		pictures.warped = board.colour.clone();
		pictures.warpedRectification = board.rectifications;
	}
	// Before the first board scan there is nothing to map between the views.
	if (board.mapped)
	{
		const cv::Mat boardToCamera(board.boardToCamera);
		eraseConsumedCircles(balls, sensors, scene, boardToCamera, pictures.warped, pictures.camera);
		paintMovingBodies(scene, boardMapping, boardToCamera, pictures.camera);
		display.show("warped", pictures.warped);
	}
	// warpAffine refuses an empty image: with no camera frame yet, "normal" shows nothing.
	if (!pictures.camera.empty())
	{
		display.show("normal", halfTurned(pictures.camera));
	}
}
