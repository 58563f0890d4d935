#pragma once

#include "scenes/BoardShape.h"

#include <opencv2/core.hpp>

#include <optional>
#include <vector>

/// A shadow on the board: an arm's (a band), a head's (a disc), anything's (a
/// polygon). Under it the paper gets `darkness` less light (0.4: 40 % darker),
/// with an edge `soft` board pixels wide.
struct Shadow
{
	BoardShape shape;
	double darkness = 0.4;
	double soft = 20.0;
};

/// A part of the board lit by another light than the room's, such as a warm
/// lamp's beside daylight: inside it the light has its own cast and exposure
/// (the room's where not given), and it blends into the room's light over an
/// edge `edge` board pixels wide.
struct LightPatch
{
	BoardShape shape;
	std::optional<cv::Vec3d> cast;
	std::optional<double> exposure;
	double edge = 25.0;
};

/// A lamp close over the board at `at`, `height` board pixels above it: it
/// adds `strength` times the light that puts white paper at 255 right under
/// it, falling off as a lamp's light does (the cube of the cosine over the
/// square of the distance), in its own colour. Strong enough, it clips a
/// channel of the paper near it.
struct Lamp
{
	cv::Point2d at;
	double height = 120.0;
	double strength = 1.0;
	cv::Vec3d cast = cv::Vec3d(1.0, 1.0, 1.0);
};

/// A lamp's highlight on the paper: the lamp's image in the paper's sheen,
/// added to what the paper reflects whatever its colour (and to a hand that
/// passes under it). A core of `radius`
/// board pixels saturates the camera; a halo round it adds `strength` times
/// white at the core's edge, fading out `halo` board pixels further.
struct Glare
{
	cv::Point2d at;
	double radius = 6.0;
	double halo = 12.0;
	double strength = 0.6;
};

/// Light that changes across the board, on top of the room's smooth light.
struct LocalLight
{
	std::vector<Shadow> shadows;
	std::vector<LightPatch> patches;
	std::vector<Lamp> lamps;
	std::vector<Glare> glares;

	bool empty() const { return shadows.empty() && patches.empty() && lamps.empty() && glares.empty(); }

	/// The light at a board point, BGR, as factors of the light that puts white
	/// paper at 255: `light` falls on the paper and is multiplied by what it
	/// reflects; `sheen` is the glare it adds. `room` is the room's light there
	/// (its cast, exposure and fall-off), `roomCast` its colour alone.
	void at(cv::Point2d board, const cv::Vec3d& room, const cv::Vec3d& roomCast, double roomExposure,
		cv::Vec3d& light, cv::Vec3d& sheen) const;
};
