#include "analysis/RefusedRing.h"

#include "core/PixelWorldMapping.h"

#include <cmath>
#include <cstdio>

namespace
{

std::string fixed(double value, int decimals)
{
	char text[32];
	std::snprintf(text, sizeof text, "%.*f", decimals, value);
	return text;
}

/// Whole millimetres, unless rounding would put a ring of the wrong size
/// within the sizes it lies outside of.
int millimetreDecimals(const RingJudgement& ring)
{
	const long drawn = std::lround(ring.diameterMm);
	const bool blurred = ring.verdict == RingJudgement::Verdict::WrongSize && drawn >= std::lround(ring.smallestMm)
		&& drawn <= std::lround(ring.largestMm);
	return blurred ? 1 : 0;
}

long percent(double share)
{
	return std::lround(share * 100.0);
}

}  // namespace

std::string refusedRingWords(const RefusedRing& ring)
{
	const RingJudgement& judged = ring.judgement;
	const bool ball = ring.ink == CircleInk::Black;
	const std::string piece = ball ? "ball" : "sensor";
	const int decimals = millimetreDecimals(judged);
	const std::string sizes = piece + "s are drawn " + fixed(judged.smallestMm, decimals) + " to "
		+ fixed(judged.largestMm, decimals) + " mm across";
	std::string words = std::string("a ") + (ball ? "black" : "yellow") + " ring " + fixed(judged.diameterMm, decimals)
		+ " mm across " + (ball ? "was taken for a wall: " : "was not taken for a sensor: ");
	if (judged.verdict == RingJudgement::Verdict::Uneven)
	{
		const bool sizeToo = judged.diameterMm < judged.smallestMm || judged.diameterMm > judged.largestMm;
		return words + "it is not round enough for a " + piece + " (its radius varies by "
			+ std::to_string(percent(judged.spread)) + " % round it, a " + piece + "'s by at most "
			+ std::to_string(percent(judged.largestSpread)) + " %)" + (sizeToo ? ", and " + sizes : "")
			+ "; drawtable-make-templates fits the templates to your hand";
	}
	words += sizes;
	if (!ring.anySize)
	{
		words += " (drawtable-make-templates fits them to your pens, --any-size takes rings of "
			+ fixed(anySizeSmallestMm, 0) + " to " + fixed(anySizeLargestMm, 0) + " mm)";
	}
	return words;
}

Event refusedRingEvent(const RefusedRing& ring)
{
	const RingJudgement& judged = ring.judgement;
	const bool uneven = judged.verdict == RingJudgement::Verdict::Uneven;
	const b2Vec2 at = boardMapping.toWorld(ring.centre.x, ring.centre.y);
	Event event(uneven ? "unevenRing" : "wrongSize");
	event.set("ink", std::string(ring.ink == CircleInk::Black ? "black" : "yellow"))
		.set("x", double(at.x))
		.set("y", double(at.y))
		.set("diameter", judged.diameterMm)
		.set("smallest", judged.smallestMm)
		.set("largest", judged.largestMm);
	if (uneven)
	{
		event.set("spread", judged.spread).set("largestSpread", judged.largestSpread);
	}
	return event;
}
