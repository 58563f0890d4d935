#include "render/PlayBackdrop.h"

#include "core/Homography.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// Warped at more than this share of the window's scale, the board is warped
/// into the window directly: enlarging would save little.
constexpr double directWarpShare = 0.85;
/// Below this share the camera sees the board so small that the picture
/// would be a blur either way; the warp is not made smaller than that.
constexpr double smallestShare = 0.25;
/// Camera pixels further out than this are held there: outside any frame,
/// inside the 16-bit pixels of cv::remap's maps.
constexpr double farOutside = 30000.0;
/// The plain camera picture at this share of its brightness.
constexpr double dimmedCamera = 0.6;

/// Camera pixels per window pixel along the window's middle lines, the larger.
double cameraScale(const cv::Matx33d& windowToCamera, cv::Size window)
{
	const double w = window.width, h = window.height;
	const double across = cv::norm(applyHomography(windowToCamera, {w, h / 2}) - applyHomography(windowToCamera, {0, h / 2}));
	const double down = cv::norm(applyHomography(windowToCamera, {w / 2, h}) - applyHomography(windowToCamera, {w / 2, 0}));
	const double share = std::max(across / w, down / h);
	return std::isfinite(share) ? share : 1.0;
}

}  // namespace

void PlayBackdrop::drawBoard(const cv::Mat& frame, const cv::Matx33d& cameraToBoard, const ViewFit& fit,
	cv::Mat& window)
{
	const cv::Matx33d cameraToWindow = fit.matrix() * cameraToBoard;
	const cv::Size size = window.size();
	const double share = std::clamp(cameraScale(cameraToWindow.inv(), size), smallestShare, 1.0);
	if (share >= directWarpShare)
	{
		mapPixels(cameraToWindow, size, frame.size());
		cv::remap(frame, window, m_mapWhole, m_mapFractions, cv::INTER_LINEAR, cv::BORDER_CONSTANT);
		return;
	}
	const cv::Size small(std::max(1, int(std::lround(size.width * share))), std::max(1, int(std::lround(size.height * share))));
	// As cv::resize samples: the small picture's pixel centre i lies on
	// window coordinate (i + 0.5) / k - 0.5.
	const double kx = double(small.width) / size.width, ky = double(small.height) / size.height;
	const cv::Matx33d windowToSmall(kx, 0.0, 0.5 * kx - 0.5, 0.0, ky, 0.5 * ky - 0.5, 0.0, 0.0, 1.0);
	mapPixels(windowToSmall * cameraToWindow, small, frame.size());
	cv::remap(frame, m_atCameraScale, m_mapWhole, m_mapFractions, cv::INTER_LINEAR, cv::BORDER_CONSTANT);
	cv::resize(m_atCameraScale, window, size, 0.0, 0.0, cv::INTER_LINEAR);
}

void PlayBackdrop::mapPixels(const cv::Matx33d& cameraToPicture, cv::Size size, cv::Size frame)
{
	if (m_mapWhole.size() == size && m_mappedFrame == frame && m_mappedBy == cameraToPicture)
	{
		return;
	}
	cv::Mat grid(size, CV_32FC2);
	for (int y = 0; y < size.height; ++y)
	{
		cv::Vec2f* row = grid.ptr<cv::Vec2f>(y);
		for (int x = 0; x < size.width; ++x)
		{
			row[x] = cv::Vec2f(float(x), float(y));
		}
	}
	cv::Mat fromCamera;
	cv::perspectiveTransform(grid, fromCamera, cv::Mat(cameraToPicture.inv()));
	// A board seen edge-on sends pixels to infinity: nothing to show there.
	cv::patchNaNs(fromCamera, -1.0);
	fromCamera = cv::max(cv::min(fromCamera, farOutside), -farOutside);
	cv::convertMaps(fromCamera, cv::noArray(), m_mapWhole, m_mapFractions, CV_16SC2);
	m_mappedBy = cameraToPicture;
	m_mappedFrame = frame;
}

void PlayBackdrop::drawCamera(const cv::Mat& frame, const cv::Matx33d& cameraToBoard, cv::Mat& window)
{
	window.setTo(cv::Scalar::all(0));
	if (frame.empty())
	{
		return;
	}
	static const cv::RotateFlags turns[3] = {cv::ROTATE_90_CLOCKWISE, cv::ROTATE_180, cv::ROTATE_90_COUNTERCLOCKWISE};
	const int quarter = quarterTurnsToBoard(cameraToBoard, frame.size());
	const cv::Mat* upright = &frame;
	if (quarter != 0)
	{
		cv::rotate(frame, m_turned, turns[quarter - 1]);
		upright = &m_turned;
	}
	const ViewFit fit = ViewFit::of(cv::Rect2d(0, 0, upright->cols, upright->rows), window.size());
	const cv::Rect placed = cv::Rect(cv::Point(int(std::lround(fit.offset.x)), int(std::lround(fit.offset.y))),
		cv::Size(int(std::lround(upright->cols * fit.scale)), int(std::lround(upright->rows * fit.scale))))
		& cv::Rect(cv::Point(), window.size());
	if (placed.empty())
	{
		return;
	}
	cv::Mat inWindow = window(placed);
	cv::resize(*upright, inWindow, placed.size(), 0.0, 0.0, cv::INTER_LINEAR);
	inWindow.convertTo(inWindow, -1, dimmedCamera);
}

int quarterTurnsToBoard(const cv::Matx33d& cameraToBoard, cv::Size frame)
{
	const cv::Point2d centre(frame.width / 2.0, frame.height / 2.0);
	const cv::Point2d across = applyHomography(cameraToBoard, centre + cv::Point2d(1.0, 0.0))
		- applyHomography(cameraToBoard, centre);
	if (!std::isfinite(across.x) || !std::isfinite(across.y) || (across.x == 0.0 && across.y == 0.0))
	{
		return 0;
	}
	// The board sees the camera's x axis turned by this angle (y down, so
	// clockwise); turning the picture back by it brings the board upright.
	const double angle = std::atan2(across.y, across.x);
	const int quarters = int(std::lround(angle / (CV_PI / 2.0)));
	return (quarters % 4 + 4) % 4;
}
