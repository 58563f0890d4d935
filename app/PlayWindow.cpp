#include "app/PlayWindow.h"

#include "core/EventSink.h"
#include "markers/BoardLayout.h"
#include "platform/Display.h"
#include "render/PlaySceneGathering.h"
#include "tracking/RectifiedBoard.h"

cv::Rect2d drawingAreaOf(const ARMultiMarkerInfoT& board)
{
	const cv::Matx33d setMmToPixels = boardPixelsToSetMm(board).inv();
	cv::Point2d corners[2];
	for (int i = 0; i < 2; ++i)
	{
		const DrawingAreaCorner& inner = drawingAreaCorners[i];
		const double(&t)[3][4] = board.marker[size_t(boardCornerMarkers[inner.cornerMarker])].trans;
		// In from the marker's centre along its own axes, on the paper (z 0).
		const double x = drawingAreaInset * inner.signX, y = drawingAreaInset * inner.signY;
		const cv::Vec3d mm(t[0][0] * x + t[0][1] * y + t[0][3], t[1][0] * x + t[1][1] * y + t[1][3], 1.0);
		const cv::Vec3d pixel = setMmToPixels * mm;
		corners[i] = cv::Point2d(pixel[0] / pixel[2], pixel[1] / pixel[2]);
	}
	return cv::Rect2d(corners[0], corners[1]);
}

PlayWindow::PlayWindow(int width, const cv::Rect2d& drawingArea)
	: m_view(windowShapedLike(drawingArea, width))
{
	m_scene.drawingArea = drawingArea;
}

void PlayWindow::gatherBoard(const cv::Mat& cameraFrame, const RectifiedBoard& board, bool inView)
{
	m_scene.cameraFrame = cameraFrame;
	m_scene.boardInView = inView && board.mapped;
	if (board.mapped)
	{
		m_scene.cameraToBoard = cv::Matx33d(board.homography);
	}
	if (board.innerCorners.size() == 2)
	{
		m_scene.drawingArea = cv::Rect2d(cv::Point2d(board.innerCorners[0]), cv::Point2d(board.innerCorners[1]));
	}
}

void PlayWindow::gatherGame(const PhysicsScene& scene, const ScoreKeeper& score, double now)
{
	gatherPlayPieces(scene, score, m_scene);
	fillScoreStatus(score, now, m_scene.status);
}

void PlayWindow::show(Display& display)
{
	display.show(name, m_view.draw(m_scene));
}

void PlayWindow::reportView(EventSink& events)
{
	const PlayViewMap map = viewMap();
	const cv::Point2d origin = map.toWindow(b2Vec2(0.0f, 0.0f));
	const cv::Point2d unit = map.toWindow(b2Vec2(1.0f, 1.0f));
	const cv::Vec4d affine(unit.x - origin.x, origin.x, unit.y - origin.y, origin.y);
	if (m_hasReported && affine == m_reported)
	{
		return;
	}
	m_reported = affine;
	m_hasReported = true;
	events.report(Event("playView")
			.set("ax", affine[0])
			.set("bx", affine[1])
			.set("ay", affine[2])
			.set("by", affine[3])
			.set("width", double(size().width))
			.set("height", double(size().height)));
}
