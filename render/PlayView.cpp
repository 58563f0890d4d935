#include "render/PlayView.h"

#include "render/PlayHeadsUp.h"

#include <opencv2/imgproc.hpp>

namespace
{

/// The frame as 8-bit BGR: a grey one made colour, anything else none.
cv::Mat bgrFrame(const cv::Mat& frame)
{
	if (frame.type() == CV_8UC3)
	{
		return frame;
	}
	cv::Mat bgr;
	if (frame.type() == CV_8UC1)
	{
		cv::cvtColor(frame, bgr, cv::COLOR_GRAY2BGR);
	}
	return bgr;
}

}  // namespace

PlayView::PlayView(cv::Size window) : m_picture(cv::Mat::zeros(window, CV_8UC3))
{
}

PlayViewMap PlayView::viewMap(const PlayScene& scene) const
{
	return PlayViewMap{scene.mapping, ViewFit::of(scene.drawingArea, size())};
}

const cv::Mat& PlayView::draw(const PlayScene& scene)
{
	const cv::Mat frame = bgrFrame(scene.cameraFrame);
	if (scene.boardInView)
	{
		if (frame.empty())
		{
			m_picture.setTo(cv::Scalar::all(0));
		}
		else
		{
			m_backdrop.drawBoard(frame, scene.cameraToBoard, ViewFit::of(scene.drawingArea, size()),
				m_picture);
		}
		drawGame(scene);
		drawCelebration(m_words, m_picture, scene.status);
	}
	else
	{
		m_backdrop.drawCamera(frame, scene.cameraToBoard, m_picture);
	}
	drawHeadsUp(m_words, m_picture, scene.status, scene.boardInView);
	return m_picture;
}

void PlayView::drawGame(const PlayScene& scene)
{
	const PlayViewMap map = viewMap(scene);
	const double seconds = scene.status.seconds;
	for (const std::vector<b2Vec2>& portal : scene.portals)
	{
		drawPortal(m_picture, portal, map, seconds);
	}
	for (const PlaySensor& sensor : scene.sensors)
	{
		drawSensor(m_picture, sensor, map, seconds);
	}
	for (const PlayPlank& plank : scene.planks)
	{
		drawPlank(m_picture, plank, map);
	}
	for (const PlayBody& box : scene.boxes)
	{
		drawCrate(m_picture, box, map);
	}
	for (const PlayBall& ball : scene.balls)
	{
		m_ball.paint(m_picture, map.toWindow(ball.position), map.length(ball.radius), ball.angle);
	}
	for (const PlayBody& shard : scene.debris)
	{
		drawShard(m_picture, shard, map);
	}
}
