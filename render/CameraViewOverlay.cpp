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

/// The pixel at p, if p lies inside a BGR image.
bool samplePixel(const cv::Mat& image, cv::Point p, cv::Vec3b& colour)
{
	if (image.empty() || image.type() != CV_8UC3 || !cv::Rect(0, 0, image.cols, image.rows).contains(p))
	{
		return false;
	}
	colour = image.at<cv::Vec3b>(p.y, p.x);
	return true;
}

cv::Scalar asFill(const cv::Vec3b& colour)
{
	return cv::Scalar(colour[0], colour[1], colour[2], 0);
}

/// Cover a drawn circle, in the rectified board and in the camera picture, by
/// a square of the paper colour found at its centre: in the rectified board,
/// and in `paper`, the camera frame the board was scanned in (a projector may
/// light the camera picture of this pass). A record whose descriptor is too
/// short, or whose centre falls outside either image, is left alone.
void eraseCircle(const cv::Mat& descriptor, const cv::Mat& boardToCamera, const cv::Mat& paper, cv::Mat& board,
	cv::Mat& camera)
{
	if (!hasMeanRadius(descriptor))
	{
		return;
	}
	const cv::Point2d drawn = descriptorCentroid(descriptor);
	const cv::Point centre(truncatedPixel(drawn.x), truncatedPixel(drawn.y));
	const double halfSide = eraseHalfSideFactor * descriptorMeanRadius(descriptor);

	const cv::Point cameraCentre = boardPointToCamera(boardToCamera, float(centre.x), float(centre.y));
	// Both colours are taken before either fill.
	cv::Vec3b boardPaper;
	cv::Vec3b cameraPaper;
	if (!samplePixel(board, centre, boardPaper) || !samplePixel(paper, cameraCentre, cameraPaper))
	{
		return;
	}
	std::vector<cv::Point> boardSquare;
	std::vector<cv::Point> cameraSquare;
	for (const auto& corner : eraseCorners)
	{
		const cv::Point q(truncatedPixel(centre.x + corner[0] * halfSide),
			truncatedPixel(centre.y + corner[1] * halfSide));
		boardSquare.push_back(q);
		cameraSquare.push_back(boardPointToCamera(boardToCamera, float(q.x), float(q.y)));
	}
	cv::fillConvexPoly(board, boardSquare, asFill(boardPaper), cv::LINE_8, 0);
	cv::fillConvexPoly(camera, cameraSquare, asFill(cameraPaper), cv::LINE_8, 0);
}

void eraseConsumedCircles(const std::vector<ShapeRecord>& balls, const std::vector<ShapeRecord>& sensors,
	const PhysicsScene& scene, const cv::Mat& boardToCamera, const cv::Mat& paper, cv::Mat& board, cv::Mat& camera)
{
	// A ball's circle stays erased after the ball is gone: the record outlives it.
	for (const ShapeRecord& record : balls)
	{
		eraseCircle(record.descriptor, boardToCamera, paper, board, camera);
	}
	// A sensor circle vanishes once a solid body has touched it.
	for (const ShapeRecord& record : sensors)
	{
		// Records go with their bodies; should one outlive its body, it is not read.
		const BodyInfo* info = scene.isRegistered(record.body) ? bodyInfoOf(record.body) : nullptr;
		if (info != nullptr && info->touched)
		{
			eraseCircle(record.descriptor, boardToCamera, paper, board, camera);
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
		// The paper's colour from the frame the board was scanned in; a board
		// put in place without one takes it from this pass's picture.
		const cv::Mat& paper = board.cameraFrame.empty() ? cameraFrame : board.cameraFrame;
		eraseConsumedCircles(balls, sensors, scene, boardToCamera, paper, pictures.warped, pictures.camera);
		paintMovingBodies(scene, boardMapping, boardToCamera, pictures.camera);
		display.show("warped", pictures.warped);
	}
	// warpAffine refuses an empty image: with no camera frame yet, "normal" shows nothing.
	if (!pictures.camera.empty())
	{
		display.show("normal", halfTurned(pictures.camera));
	}
}
