#include "analysis/MarkerRegions.h"

#include "analysis/ContourExtraction.h"
#include "core/PixelWorldMapping.h"
#include "markers/BoardLayout.h"
#include "physics/BodyFactories.h"
#include "physics/PhysicsScene.h"
#include "tracking/RectifiedBoard.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace
{

/// Pixels kept clear around the portal card.
constexpr float cardMargin = 30.0f;
/// Shift and growth of the portal box, in metres.
constexpr float boxMargin = 0.2f;

/// The axis-aligned box around the portal card, in board pixels.
struct CardBox
{
	float cx, cy, hw, hh;
};

/// The bounding box of the corners, or false when there is none to trust (no
/// corner, or one that is not a number).
bool cardBox(const std::vector<cv::Point2f>& corners, CardBox& box)
{
	if (corners.empty())
	{
		return false;
	}
	float minX = 2000.0f, minY = 2000.0f, maxX = -2000.0f, maxY = -2000.0f;
	for (const cv::Point2f& c : corners)
	{
		if (!std::isfinite(c.x) || !std::isfinite(c.y))
		{
			return false;
		}
		minX = std::min(minX, c.x);
		minY = std::min(minY, c.y);
		maxX = std::max(maxX, c.x);
		maxY = std::max(maxY, c.y);
	}
	box = {(maxX + minX) * 0.5f, (maxY + minY) * 0.5f, (maxX - minX) * 0.5f, (maxY - minY) * 0.5f};
	return true;
}

}  // namespace

bool applyMarkerRegions(const RectifiedBoard& board, cv::Mat& blackMask, PhysicsScene& scene, EventSink* events)
{
	// Each run replaces the portal of the run before: the card may have moved.
	scene.markKind(Portal);
	const PixelWorldMapping& mapping = boardMapping;
	bool portal = false;

	CardBox card;
	if (board.portalVisible && cardBox(board.portalCorners, card))
	{
		// The scale is applied with its sign, so for a card taller than 4
		// pixels the vertical margin shrinks the box instead of growing it.
		const b2Vec2 centre = mapping.toWorld(card.cx, card.cy);
		const float x = centre.x - boxMargin;
		const float y = centre.y - boxMargin;
		const float hx = float(card.hw / mapping.scaleX) + boxMargin;
		const float hy = std::fabs(float(card.hh / mapping.scaleY) + boxMargin);
		// A box without area would give the body a centre of mass that is not a number.
		if (hx > 0.0f && hy > 0.0f)
		{
			createPortal(scene, x, y, hx, hy);
			reportTo(events, Event("portal").set("x", x).set("y", y).set("hx", hx).set("hy", hy));
			portal = true;
		}
		// The card's own print must not become walls. The rectangle starts half
		// a half-width before the centre, which with the margin still covers the card.
		const cv::Rect blank(int(card.cx - card.hw * 0.5f - cardMargin), int(card.cy - card.hh * 0.5f - cardMargin),
			int(2.0f * card.hw + cardMargin), int(2.0f * card.hh + cardMargin));
		if (!blackMask.empty())
		{
			cv::rectangle(blackMask, blank, cv::Scalar(0), cv::FILLED, cv::LINE_8);
		}
	}

	if (board.boardScanned && board.innerCorners.size() >= 2)
	{
		// The board's markers lie outside the inner corners; the margin keeps
		// their edges out as well.
		const cv::Point2f topLeft = board.innerCorners[0];
		const cv::Point2f bottomRight = board.innerCorners[1];
		const float left = topLeft.x + inkMargin;
		const float top = topLeft.y + inkMargin;
		const float width = bottomRight.x - left - inkMargin;
		const float height = bottomRight.y - top - inkMargin;
		// Written as "greater than 0" so that NaN fails too.
		if (left > 0.0f && top > 0.0f && width > 0.0f && height > 0.0f)
		{
			cropToRect(blackMask, left, top, width, height);
		}
	}
	return portal;
}
