#pragma once

#include "core/ScoreKeeper.h"
#include "render/PlayScene.h"
#include "render/PlayView.h"

#include <opencv2/core.hpp>

class Display;
class EventSink;
class PhysicsScene;
struct ARMultiMarkerInfoT;
struct RectifiedBoard;

/// The drawing area of a board laid out as `board` (its marker set) in
/// board pixels, as every scan of it finds it: it lies between the corner
/// markers, which the rectification puts in fixed places.
cv::Rect2d drawingAreaOf(const ARMultiMarkerInfoT& board);

/// The players' window, "play": every pass the play scene is gathered from
/// the camera's frame, the board the scans found, the world and the score,
/// then drawn and shown. Its size is fixed for the run, shaped like the
/// board's drawing area.
class PlayWindow
{
public:
	static constexpr const char* name = "play";

	/// A window `width` pixels wide for a board whose drawing area is
	/// `drawingArea` (board pixels); it shows that area until a scan finds
	/// the board's own.
	PlayWindow(int width, const cv::Rect2d& drawingArea);

	/// The camera's frame of this pass, and the board as the scans found it;
	/// `inView` while the last scan found it where it lies.
	void gatherBoard(const cv::Mat& cameraFrame, const RectifiedBoard& board, bool inView);

	/// The game's pieces of `scene`, and the score at `now`, seconds on the
	/// world's clock.
	void gatherGame(const PhysicsScene& scene, const ScoreKeeper& score, double now);

	/// The status lines, for the caller to fill in beyond the score's part.
	PlayStatus& status() { return m_scene.status; }

	/// Draw the gathered scene and show it in "play".
	void show(Display& display);

	/// Report `playView` when the world lands elsewhere in the window than
	/// the last report said (the first time, and after a scan that moved the
	/// drawing area): a window pixel is (ax x + bx, ay y + by) for a world
	/// point (x, y), in a window of `width` x `height`.
	void reportView(EventSink& events);

	/// What the last pass gathered.
	const PlayScene& scene() const { return m_scene; }
	/// Where the world lands in the window.
	PlayViewMap viewMap() const { return m_view.viewMap(m_scene); }
	/// The window's size.
	cv::Size size() const { return m_view.size(); }

private:
	PlayScene m_scene;
	PlayView m_view;
	/// ax, bx, ay, by as last reported; empty before the first report.
	cv::Vec4d m_reported;
	bool m_hasReported = false;
};
