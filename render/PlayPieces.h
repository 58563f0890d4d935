#pragma once

#include "core/PixelWorldMapping.h"
#include "render/PlayScene.h"
#include "render/ViewFit.h"

#include <opencv2/core.hpp>

#include <vector>

/// Where the world lands in the play view's window: through the board's
/// pixels, then the drawing area's fit into the window.
struct PlayViewMap
{
	PixelWorldMapping mapping;
	ViewFit fit;

	cv::Point2d toWindow(const b2Vec2& world) const { return fit.toWindow(mapping.toPixel(world.x, world.y)); }
	/// A length in world units as window pixels.
	double length(double world) const { return world * std::abs(mapping.scaleX) * fit.scale; }
	/// A world velocity as window pixels a second (window y runs down).
	cv::Point2d velocity(const b2Vec2& v) const
	{
		return cv::Point2d(v.x * mapping.scaleX, v.y * mapping.scaleY) * fit.scale;
	}
};

/// Seconds a lit sensor's halo spreads out from it.
constexpr double sensorHaloSeconds = 1.0;

/// The radius of the halo of a sensor of `radius` lit `age` seconds ago: from
/// the sensor's edge out to two and a half times its radius.
inline double sensorHaloRadius(double radius, double age)
{
	return radius * (1.0 + 1.5 * age / sensorHaloSeconds);
}

/// The game's pieces as things a child knows, drawn into the window over the
/// board's picture; `seconds` is the game's clock (PlayStatus::seconds).

/// A portal: a dark hole over the card, a swirl turning in it, a glowing rim.
void drawPortal(cv::Mat& window, const std::vector<b2Vec2>& outline, const PlayViewMap& map, double seconds);

/// A sensor: a thin golden ring while unlit; lit, a bright filled ring that
/// glows, with a halo spreading out from it for a second after it was lit.
void drawSensor(cv::Mat& window, const PlaySensor& sensor, const PlayViewMap& map, double seconds);

/// A wall laid with the mouse, as a wooden plank nailed at both ends.
void drawPlank(cv::Mat& window, const PlayPlank& plank, const PlayViewMap& map);

/// A spawned box, as a wooden crate with a brace.
void drawCrate(cv::Mat& window, const PlayBody& box, const PlayViewMap& map);

/// A piece of debris, as a glass shard with a streak behind it, bigger than
/// the tiny body so that it is seen flying.
void drawShard(cv::Mat& window, const PlayBody& shard, const PlayViewMap& map);
