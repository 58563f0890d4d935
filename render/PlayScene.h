#pragma once

#include "core/PixelWorldMapping.h"

#include <box2d/b2_math.h>
#include <opencv2/core.hpp>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

/// A ball where the world has it: centre and radius in world units, the angle
/// it has turned through in radians.
struct PlayBall
{
	b2Vec2 position;
	float radius = 0.0f;
	float angle = 0.0f;
};

/// A box or a piece of debris: its outline in world units and how fast it flies.
struct PlayBody
{
	std::vector<b2Vec2> outline;
	b2Vec2 velocity{0.0f, 0.0f};
};

/// A sensor: centre and radius in world units, and since when it is lit.
struct PlaySensor
{
	b2Vec2 position;
	float radius = 0.0f;
	/// Seconds of play (PlayStatus::seconds' clock) at its first touch; NaN while unlit.
	double litAfter = std::numeric_limits<double>::quiet_NaN();

	bool lit() const { return !std::isnan(litAfter); }
};

/// A wall laid with the mouse, from end to end in world units.
struct PlayPlank
{
	b2Vec2 from;
	b2Vec2 to;
};

/// How the game stands, for the heads-up lines.
struct PlayStatus
{
	int score = 0;
	int sensorsLit = 0;
	int sensorCount = 0;
	/// Seconds since the drawing was built or played again (the game's clock).
	double seconds = 0.0;
	bool solved = false;
	/// The play's time when it was solved, and the drawing's best; NaN when none.
	double solvedAfter = std::numeric_limits<double>::quiet_NaN();
	double bestTime = std::numeric_limits<double>::quiet_NaN();
	bool paused = false;
	bool slowMotion = false;
	bool muted = false;
	/// Why the table does not react, worded for a player; empty when it does.
	std::string statusLine;
};

/// Everything the play view draws in one pass, as plain values: the camera's
/// picture and where the board lies in it, the game's pieces in world units,
/// and the status.
struct PlayScene
{
	/// This pass's camera frame, 8-bit BGR (empty before the first).
	cv::Mat cameraFrame;
	/// True while the board lies where `cameraToBoard` says: the picture is
	/// then the board's drawing area seen from straight above, with the game
	/// on it; otherwise the plain camera picture and a word.
	bool boardInView = false;
	/// Ideal camera pixels to board pixels (the scans' homography).
	cv::Matx33d cameraToBoard = cv::Matx33d::eye();
	/// The drawing area in board pixels: what fills the window.
	cv::Rect2d drawingArea;
	/// Board pixels to world units.
	PixelWorldMapping mapping = boardMapping;

	std::vector<PlayBall> balls;
	std::vector<PlayBody> boxes;
	std::vector<PlayBody> debris;
	std::vector<PlaySensor> sensors;
	/// Each portal's outline, world units, taken round it.
	std::vector<std::vector<b2Vec2>> portals;
	std::vector<PlayPlank> planks;

	PlayStatus status;
};
