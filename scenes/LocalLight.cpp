#include "scenes/LocalLight.h"

#include <algorithm>
#include <cmath>

namespace
{

/// A glare's core is this many times as bright as white paper: it saturates
/// every channel of a camera exposed for the paper, even under a strong cast.
constexpr double glareCore = 4.0;

/// The core's rim, board pixels: a highlight has no hard edge.
constexpr double glareRim = 1.5;

/// The halo fades to e^-3, about 5 %, at its given reach.
constexpr double haloFalloff = 3.0;

}  // namespace

void LocalLight::at(cv::Point2d board, const cv::Vec3d& room, const cv::Vec3d& roomCast, double roomExposure,
	cv::Vec3d& light, cv::Vec3d& sheen) const
{
	light = room;
	for (const LightPatch& patch : patches)
	{
		const double share = insideShare(patch.shape.signedDistance(board), patch.edge);
		if (share > 0.0)
		{
			const cv::Vec3d own = patch.cast.value_or(roomCast) * patch.exposure.value_or(roomExposure);
			light = light * (1.0 - share) + own * share;
		}
	}
	for (const Lamp& lamp : lamps)
	{
		const cv::Point2d d = board - lamp.at;
		const double cosine = lamp.height / std::sqrt(lamp.height * lamp.height + d.dot(d));
		light += lamp.cast * (lamp.strength * cosine * cosine * cosine);
	}
	sheen = cv::Vec3d();
	for (const Glare& glare : glares)
	{
		const double beyond = cv::norm(board - glare.at) - glare.radius;
		const double core = insideShare(beyond, glareRim);
		const double outside = std::max(0.0, beyond) / std::max(glare.halo, 1e-9);
		const double halo = glare.strength * std::exp(-haloFalloff * outside * outside);
		sheen += roomCast * (roomExposure * std::max(core * glareCore, halo));
	}
	double shade = 1.0;
	for (const Shadow& shadow : shadows)
	{
		shade *= 1.0 - shadow.darkness * insideShare(shadow.shape.signedDistance(board), shadow.soft);
	}
	light *= shade;
	sheen *= shade;
}
