#pragma once

#include "render/PlayBackdrop.h"
#include "render/PlayPieces.h"
#include "render/PlayScene.h"
#include "render/ShadedBall.h"
#include "render/WordStamps.h"

#include <opencv2/core.hpp>

/// The picture of the "play" window, made for the people playing: the board
/// seen from straight above and upright, its drawing area filling the window,
/// the game drawn on it as a game (shaded balls, glowing sensors, a portal's
/// swirl, planks, crates and flying shards; the walls are the ink itself),
/// the heads-up line and the status line over it, and the celebration when
/// the drawing is solved. While the board is not in view, the plain camera
/// picture and a word.
class PlayView
{
public:
	/// A window of this size, fixed for the run: the drawing area is fitted
	/// into it at one scale and centred (see windowShapedLike).
	explicit PlayView(cv::Size window);

	/// The picture of `scene`. It is drawn into the same pixels on every
	/// call: a caller that keeps it past the next call keeps a copy (as a
	/// display's show does).
	const cv::Mat& draw(const PlayScene& scene);

	/// Where `scene`'s world lands in the window.
	PlayViewMap viewMap(const PlayScene& scene) const;

	/// The window's size.
	cv::Size size() const { return m_picture.size(); }

private:
	/// The pieces of the game over the board's picture, the lowest first.
	void drawGame(const PlayScene& scene);

	cv::Mat m_picture;
	PlayBackdrop m_backdrop;
	ShadedBall m_ball;
	WordStamps m_words;
};
